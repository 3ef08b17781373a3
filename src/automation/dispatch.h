// Late-bound automation calls through IDispatch: RAII owners for VARIANTs,
// interface references and the COM apartment, and one DispatchObject that
// looks members up by name and invokes them. Every failing status becomes a
// reportword::Failure naming the member, the status in hex and the
// server's own error description.
#pragma once

#include <windows.h>

#include <oaidl.h>
#include <oleauto.h>

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace reportword::automation {

// A UTF-16 text of the platform API (a BSTR, a system message) as UTF-8; an
// unpaired surrogate becomes U+FFFD.
std::string WideToUtf8(const wchar_t* text, size_t length);
// "0x800A1066": a status as the fixed eight hex digits it is usually quoted in.
std::string FormatHresult(HRESULT hr);
// "<what> failed with 0x...: <reason>", the reason being `description` or,
// when that is empty, the system's text for the status.
std::string DescribeFailure(const std::string& what, HRESULT hr,
                            const std::string& description = {});

// Owns one VARIANT; clears it (releasing strings and interfaces) on
// destruction. Move-only.
class Variant {
 public:
  Variant() { VariantInit(&value_); }
  ~Variant() { VariantClear(&value_); }
  Variant(Variant&& other) noexcept;
  Variant& operator=(Variant&& other) noexcept;
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;

  static Variant Bool(bool value);
  static Variant Int16(short value);
  static Variant Int32(int value);
  static Variant Float(float value);
  static Variant Double(double value);
  // Invalid UTF-8 throws Failure rather than sending a garbled text.
  static Variant String(const std::string& utf8);
  // An optional argument left out of the call.
  static Variant Omitted();
  // VT_BYREF | VT_BSTR referring to the string held by `owner`, which must be
  // a VT_BSTR variant that outlives the call. The callee may replace that
  // string; `owner` then frees the replacement.
  static Variant StringReference(Variant& owner);

  VARIANT& get() { return value_; }
  const VARIANT& get() const { return value_; }
  VARTYPE type() const { return value_.vt; }

 private:
  VARIANT value_;
};

// Converts std::optional-style arguments: the value when present, the
// omitted marker otherwise.
template <typename Optional, typename Make>
Variant OptionalArgument(const Optional& value, Make make) {
  return value ? make(*value) : Variant::Omitted();
}

// An argument list from move-only variants, in declaration order.
template <typename... Args>
std::vector<Variant> MakeArgs(Args&&... args) {
  std::vector<Variant> list;
  list.reserve(sizeof...(args));
  (list.push_back(std::forward<Args>(args)), ...);
  return list;
}

// Appends `count` omitted arguments, for the optional parameters a call leaves
// out after the ones it passes.
void AppendOmitted(std::vector<Variant>& args, size_t count);

// One counted reference to an automation object, with the name of its type
// for error messages ("Find", "Selection", ...). Move-only; releases its
// reference on destruction.
class DispatchObject {
 public:
  DispatchObject() = default;
  ~DispatchObject() { Reset(); }
  DispatchObject(DispatchObject&& other) noexcept;
  DispatchObject& operator=(DispatchObject&& other) noexcept;
  DispatchObject(const DispatchObject&) = delete;
  DispatchObject& operator=(const DispatchObject&) = delete;

  // Takes over a reference the caller already owns.
  static DispatchObject Adopt(IDispatch* dispatch, std::string type_name);
  // Adds a reference of its own; the caller keeps its reference.
  static DispatchObject Share(IDispatch* dispatch, std::string type_name);

  IDispatch* get() const { return dispatch_; }
  const std::string& type_name() const { return type_name_; }

  // `args` in the order the member declares its parameters; they are passed
  // reversed, as IDispatch::Invoke expects.
  Variant Call(const char* member, std::vector<Variant> args = {}) const;
  // A member that servers expose either as a method or as a (parameterised)
  // property, such as Item.
  Variant CallOrGet(const char* member, std::vector<Variant> args = {}) const;
  Variant Get(const char* member) const;
  void Put(const char* member, Variant value) const;

  // The object a member returns; an empty result is an error.
  DispatchObject ObjectFrom(const char* member, Variant result, std::string type_name) const;
  bool BoolFrom(const char* member, Variant result) const;
  int IntFrom(const char* member, Variant result) const;

 private:
  void Reset();
  Variant Invoke(const char* member, WORD flags, std::vector<Variant>& args) const;
  [[noreturn]] void Fail(const char* member, const std::string& what) const;

  IDispatch* dispatch_ = nullptr;
  std::string type_name_;
};

// Starts the local server registered under `prog_id` and returns its
// IDispatch.
DispatchObject CreateDispatchObject(const std::string& prog_id, std::string type_name);

}  // namespace reportword::automation
