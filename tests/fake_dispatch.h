// A scriptable stand-in for automation objects. Every FakeDispatch answers any
// member name, records each Invoke with its arguments in declaration order,
// returns a new child object for every member not given a scalar result, and
// fails the members it is told to. The FakeWorld owns all objects and keeps
// their reference counts, so a test can check that everything was released.
#pragma once
#ifdef REPORTWORD_AUTOMATION

#include <algorithm>
#include <list>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "automation/dispatch.h"

namespace reportword::automation::test {

struct Failure {
  HRESULT hr = DISP_E_EXCEPTION;  // what Invoke returns
  SCODE scode = 0;                // EXCEPINFO, when hr is DISP_E_EXCEPTION
  WORD wcode = 0;
  std::wstring description{};
  UINT argument_error = 0;
};

// "I4:1", "BYREF|BSTR:text", "-" for an omitted argument (DISP_E_PARAMNOTFOUND)
// and VT_BOOL as "true" or "false"; a type not listed shows as "vt <number>".
inline std::string DescribeArgument(const VARIANT& v) {
  const auto text = [](BSTR s) { return WideToUtf8(s, SysStringLen(s)); };
  if (v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND) return "-";
  if (v.vt == VT_BOOL) return v.boolVal == VARIANT_TRUE ? "true" : v.boolVal ? "bad" : "false";
  std::ostringstream out;
  if (v.vt == VT_BSTR) out << "BSTR:" << text(v.bstrVal);
  if (v.vt == (VT_BYREF | VT_BSTR)) out << "BYREF|BSTR:" << text(*v.pbstrVal);
  if (v.vt == VT_I2) out << "I2:" << v.iVal;
  if (v.vt == VT_I4) out << "I4:" << v.lVal;
  if (v.vt == VT_R4) out << "R4:" << v.fltVal;
  if (v.vt == VT_R8) out << "R8:" << v.dblVal;
  return out.str().empty() ? "vt " + std::to_string(v.vt) : out.str();
}

struct FakeDispatch;

struct FakeWorld {
  // A new object holding one reference, which the caller owns.
  FakeDispatch* NewObject(const std::string& path);
  // Objects whose count is not back at zero, as "path (count)"; a count below
  // zero means released once too often.
  std::vector<std::string> Unreleased() const;

  // One line per Invoke: "Application.Documents.Add method(BSTR:x, -)". A
  // property put reads "put" only when its value is the one named
  // DISPID_PROPERTYPUT argument and no result is asked for.
  std::vector<std::string> calls;
  std::map<std::string, Failure> failures;  // by member name
  std::set<std::string> unknown_names;      // GetIDsOfNames refuses these
  // Scalar results by member (VT_EMPTY for none); other members return objects.
  std::map<std::string, std::pair<VARTYPE, LONG>> results{{"Count", {VT_I4, 1}},
                                                          {"Execute", {VT_BOOL, VARIANT_TRUE}}};
  std::vector<std::string> names{""};  // index = DISPID
  std::list<FakeDispatch> objects;
};

struct FakeDispatch : IDispatch {
  FakeDispatch(FakeWorld& world, std::string path) : world(world), path(std::move(path)) {}

  // Nothing here asks for another interface.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references); }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }

  // The backend looks up one name at a time.
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* id) override {
    const std::string name = WideToUtf8(names[0], wcslen(names[0]));
    if (count != 1 || world.unknown_names.count(name)) return DISP_E_UNKNOWNNAME;
    auto known = std::find(world.names.begin(), world.names.end(), name);
    *id = static_cast<DISPID>(known - world.names.begin());
    if (known == world.names.end()) world.names.push_back(name);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception,
                                   UINT* argument_error) override {
    const std::string member = world.names.at(static_cast<size_t>(id));
    const bool named_put =
        params->cNamedArgs == 1 && params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT && !result;
    const bool plain = params->cNamedArgs == 0 && result;
    std::string kind = "malformed";
    if (flags == DISPATCH_PROPERTYPUT && named_put) kind = "put";
    if (flags == DISPATCH_METHOD && plain) kind = "method";
    if (flags == DISPATCH_PROPERTYGET && plain) kind = "get";
    if (flags == (DISPATCH_METHOD | DISPATCH_PROPERTYGET) && plain) kind = "method|get";
    std::string line = path + "." + member + " " + kind + "(";
    for (UINT i = params->cArgs; i > 0; --i) {
      line += (i < params->cArgs ? ", " : "") + DescribeArgument(params->rgvarg[i - 1]);
    }
    world.calls.push_back(line + ")");

    if (auto failure = world.failures.find(member); failure != world.failures.end()) {
      const Failure& f = failure->second;
      *argument_error = f.argument_error;
      if (f.hr == DISP_E_EXCEPTION) {
        *exception = EXCEPINFO{};
        exception->wCode = f.wcode;
        exception->scode = f.scode;
        exception->bstrDescription = SysAllocString(f.description.c_str());
      }
      return f.hr;
    }
    if (result == nullptr) return S_OK;
    if (auto scalar = world.results.find(member); scalar != world.results.end()) {
      result->vt = scalar->second.first;
      if (result->vt == VT_I4) result->lVal = scalar->second.second;
      if (result->vt == VT_BOOL) result->boolVal = static_cast<VARIANT_BOOL>(scalar->second.second);
    } else {
      result->vt = VT_DISPATCH;
      result->pdispVal = world.NewObject(path + "." + member);
    }
    return S_OK;
  }

  FakeWorld& world;
  const std::string path;
  LONG references = 1;
};

inline FakeDispatch* FakeWorld::NewObject(const std::string& path) {
  return &objects.emplace_back(*this, path);
}

inline std::vector<std::string> FakeWorld::Unreleased() const {
  std::vector<std::string> out;
  for (const FakeDispatch& object : objects) {
    if (object.references != 0)
      out.push_back(object.path + " (" + std::to_string(object.references) + ")");
  }
  return out;
}

}  // namespace reportword::automation::test

#endif  // REPORTWORD_AUTOMATION
