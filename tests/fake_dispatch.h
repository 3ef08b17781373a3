// A scriptable stand-in for automation objects. Every FakeDispatch answers any
// member name, records each Invoke with its arguments in declaration order,
// returns a new child object for every member not given a scalar result, and
// fails the members it is told to. The FakeWorld owns all objects and keeps
// their reference counts, so a test can check that everything was released.
#pragma once
#ifdef REPORTWORD_AUTOMATION

#include <windows.h>

#include <oaidl.h>
#include <oleauto.h>

#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace reportword::automation::testing {

struct Failure {
  HRESULT hr = DISP_E_EXCEPTION;  // what Invoke returns
  SCODE scode = 0;                // EXCEPINFO, when hr is DISP_E_EXCEPTION
  WORD wcode = 0;
  std::wstring description{};
  UINT argument_error = 0;
};

inline std::string Narrow(const wchar_t* text, size_t size) {
  const int length = static_cast<int>(size);
  if (length == 0) return {};
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), bytes, nullptr, nullptr);
  return out;
}
inline std::string Narrow(BSTR text) {
  return Narrow(text, SysStringLen(text));
}

// "VT_I4:1", "VT_BYREF|VT_BSTR:text", "omitted" (DISP_E_PARAMNOTFOUND), ...
inline std::string DescribeArgument(const VARIANT& v) {
  std::ostringstream out;
  switch (v.vt) {
    case VT_BSTR:
      out << "VT_BSTR:" << Narrow(v.bstrVal);
      break;
    case VT_BYREF | VT_BSTR:
      out << "VT_BYREF|VT_BSTR:" << Narrow(*v.pbstrVal);
      break;
    case VT_BOOL:
      out << "VT_BOOL:"
          << (v.boolVal == VARIANT_TRUE    ? "true"
              : v.boolVal == VARIANT_FALSE ? "false"
                                           : "bad");
      break;
    case VT_I2:
      out << "VT_I2:" << v.iVal;
      break;
    case VT_I4:
      out << "VT_I4:" << v.lVal;
      break;
    case VT_R4:
      out << "VT_R4:" << v.fltVal;
      break;
    case VT_R8:
      out << "VT_R8:" << v.dblVal;
      break;
    case VT_ERROR:
      if (v.scode == DISP_E_PARAMNOTFOUND) return "omitted";
      out << "VT_ERROR:" << v.scode;
      break;
    default:
      out << "vt " << v.vt;
  }
  return out.str();
}

class FakeWorld;

class FakeDispatch : public IDispatch {
 public:
  FakeDispatch(FakeWorld& world, std::string path) : world_(world), path_(std::move(path)) {}
  const std::string& path() const { return path_; }
  LONG references() const { return references_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch)) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception,
                                   UINT* argument_error) override;

 private:
  FakeWorld& world_;
  std::string path_;
  LONG references_ = 1;
};

class FakeWorld {
 public:
  // A new object holding one reference, which the caller owns.
  FakeDispatch* NewObject(const std::string& path) {
    objects_.push_back(std::make_unique<FakeDispatch>(*this, path));
    return objects_.back().get();
  }
  // Objects still referenced, as "path (count)".
  std::vector<std::string> Unreleased() const {
    std::vector<std::string> out;
    for (const auto& object : objects_) {
      if (object->references() != 0) {
        out.push_back(object->path() + " (" + std::to_string(object->references()) + ")");
      }
    }
    return out;
  }

  // One line per Invoke: "Application.Documents.Add method(VT_BSTR:x, omitted)".
  // A property put reads "put" only when its value is the one named
  // DISPID_PROPERTYPUT argument and no result is asked for.
  std::vector<std::string> calls;
  std::vector<std::vector<std::string>> args;  // of each call, in declaration order
  std::map<std::string, Failure> failures;     // by member name
  std::set<std::string> unknown_names;         // GetIDsOfNames refuses these
  // Scalar results by member (VT_EMPTY for none); other members return objects.
  std::map<std::string, std::pair<VARTYPE, LONG>> results{
      {"Count", {VT_I4, 1}},    {"Execute", {VT_BOOL, VARIANT_TRUE}},
      {"Quit", {VT_EMPTY, 0}},  {"SaveAs", {VT_EMPTY, 0}},
      {"Close", {VT_EMPTY, 0}}, {"WholeStory", {VT_EMPTY, 0}},
      {"Select", {VT_EMPTY, 0}}};
  bool over_released = false;
  std::vector<std::wstring> names{L""};  // index = DISPID

 private:
  std::vector<std::unique_ptr<FakeDispatch>> objects_;
};

inline ULONG FakeDispatch::Release() {
  if (references_ == 0) {
    world_.over_released = true;
    return 0;
  }
  return static_cast<ULONG>(--references_);
}

inline HRESULT FakeDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  for (UINT i = 0; i < count; ++i) {
    if (world_.unknown_names.count(Narrow(names[i], wcslen(names[i])))) return DISP_E_UNKNOWNNAME;
    size_t id = 0;
    while (id < world_.names.size() && world_.names[id] != names[i]) ++id;
    if (id == world_.names.size()) world_.names.push_back(names[i]);
    ids[i] = static_cast<DISPID>(id);
  }
  return S_OK;
}

inline HRESULT FakeDispatch::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                    VARIANT* result, EXCEPINFO* exception, UINT* argument_error) {
  const std::wstring& name = world_.names.at(static_cast<size_t>(id));
  const std::string member = Narrow(name.data(), name.size());

  std::vector<std::string> args;
  for (UINT i = params->cArgs; i > 0; --i) args.push_back(DescribeArgument(params->rgvarg[i - 1]));
  const bool proper_put = params->cNamedArgs == 1 &&
                          params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT && result == nullptr;
  std::string kind = flags == DISPATCH_METHOD                            ? "method"
                     : flags == DISPATCH_PROPERTYGET                     ? "get"
                     : flags == (DISPATCH_METHOD | DISPATCH_PROPERTYGET) ? "method|get"
                     : flags == DISPATCH_PROPERTYPUT && proper_put       ? "put"
                                                                         : "malformed";
  if (flags != DISPATCH_PROPERTYPUT && (params->cNamedArgs != 0 || result == nullptr)) {
    kind = "malformed";
  }
  std::string line = path_ + "." + member + " " + kind + "(";
  for (size_t i = 0; i < args.size(); ++i) line += (i ? ", " : "") + args[i];
  world_.calls.push_back(line + ")");
  world_.args.push_back(std::move(args));

  if (auto failure = world_.failures.find(member); failure != world_.failures.end()) {
    const Failure& f = failure->second;
    *argument_error = f.argument_error;
    if (f.hr == DISP_E_EXCEPTION) {
      *exception = EXCEPINFO{};
      exception->wCode = f.wcode;
      exception->scode = f.scode;
      exception->bstrSource = SysAllocString(L"Fake");
      exception->bstrDescription = SysAllocString(f.description.c_str());
    }
    return f.hr;
  }
  if (result == nullptr) return S_OK;
  VariantInit(result);
  if (auto scalar = world_.results.find(member); scalar != world_.results.end()) {
    result->vt = scalar->second.first;
    if (result->vt == VT_I4) result->lVal = scalar->second.second;
    if (result->vt == VT_BOOL) result->boolVal = static_cast<VARIANT_BOOL>(scalar->second.second);
  } else {
    result->vt = VT_DISPATCH;
    result->pdispVal = world_.NewObject(path_ + "." + member);
  }
  return S_OK;
}

}  // namespace reportword::automation::testing

#endif  // REPORTWORD_AUTOMATION
