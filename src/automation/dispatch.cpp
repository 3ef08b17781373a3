#include "automation/dispatch.h"

#include <objbase.h>
#include <oleauto.h>

#include <climits>
#include <cstdio>
#include <new>
#include <string_view>

#include "text/failure.h"
#include "text/translate.h"
#include "text/unicode.h"

namespace reportword::automation {

namespace {

// The EXCEPINFO of one Invoke; frees whatever strings the server put in it.
struct ExceptionInfo {
  EXCEPINFO info{};

  ExceptionInfo() = default;
  ExceptionInfo(const ExceptionInfo&) = delete;
  ExceptionInfo& operator=(const ExceptionInfo&) = delete;
  ~ExceptionInfo() {
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
  }
};

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) {
    text.pop_back();
  }
  return text;
}

// The system's text for a status, if it has one ("Invalid class string").
std::string SystemMessage(HRESULT hr) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string message;
  if (length > 0 && buffer != nullptr) message = Trimmed(WideToUtf8(buffer, length));
  if (buffer != nullptr) LocalFree(buffer);
  return message;
}

// The platform's wide characters are UTF-16 code units.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

const wchar_t* WideData(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.data());
}

// A BSTR records its length in bytes in 32 bits, so a longer text is refused
// before any conversion.
std::u16string ToUtf16(const std::string& utf8) {
  if (utf8.size() > static_cast<size_t>(INT_MAX / 2)) {
    throw Failure(text::Format(
        text::Translate("text of {0} bytes is too long for an automation call"), utf8.size()));
  }
  if (!text::IsValidUtf8(utf8)) {
    throw Failure(text::Translate("text for an automation call is not valid UTF-8"));
  }
  return text::Utf8ToUtf16(utf8);
}

BSTR AllocateString(const std::u16string& wide) {
  BSTR bstr = SysAllocStringLen(WideData(wide), static_cast<UINT>(wide.size()));
  if (bstr == nullptr) throw std::bad_alloc();
  return bstr;
}

}  // namespace

std::string WideToUtf8(const wchar_t* text, size_t length) {
  if (text == nullptr) return {};
  return text::Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
}

std::string DescribeFailure(const std::string& what, HRESULT hr, const std::string& description) {
  std::string message =
      text::Format(text::Translate("{0} failed with {1}"), what, FormatHresult(hr));
  const std::string reason = description.empty() ? SystemMessage(hr) : Trimmed(description);
  if (!reason.empty()) message += ": " + reason;
  return message;
}

std::string FormatHresult(HRESULT hr) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08lX",
                static_cast<unsigned long>(static_cast<ULONG>(hr)));
  return buffer;
}

// --- Variant ---------------------------------------------------------------

Variant::Variant(Variant&& other) noexcept : value_(other.value_) {
  VariantInit(&other.value_);
}

Variant& Variant::operator=(Variant&& other) noexcept {
  if (this != &other) {
    VariantClear(&value_);
    value_ = other.value_;
    VariantInit(&other.value_);
  }
  return *this;
}

Variant Variant::Bool(bool value) {
  Variant v;
  v.value_.vt = VT_BOOL;
  v.value_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

Variant Variant::Int16(short value) {
  Variant v;
  v.value_.vt = VT_I2;
  v.value_.iVal = value;
  return v;
}

Variant Variant::Int32(int value) {
  Variant v;
  v.value_.vt = VT_I4;
  v.value_.lVal = value;
  return v;
}

Variant Variant::Float(float value) {
  Variant v;
  v.value_.vt = VT_R4;
  v.value_.fltVal = value;
  return v;
}

Variant Variant::Double(double value) {
  Variant v;
  v.value_.vt = VT_R8;
  v.value_.dblVal = value;
  return v;
}

Variant Variant::String(const std::string& utf8) {
  const std::u16string wide = ToUtf16(utf8);
  Variant v;
  v.value_.bstrVal = AllocateString(wide);
  v.value_.vt = VT_BSTR;
  return v;
}

Variant Variant::Omitted() {
  Variant v;
  v.value_.vt = VT_ERROR;
  v.value_.scode = DISP_E_PARAMNOTFOUND;
  return v;
}

Variant Variant::StringReference(Variant& owner) {
  Variant v;
  v.value_.vt = VT_BYREF | VT_BSTR;
  v.value_.pbstrVal = &owner.value_.bstrVal;
  return v;
}

void AppendOmitted(std::vector<Variant>& args, size_t count) {
  for (size_t i = 0; i < count; ++i) args.push_back(Variant::Omitted());
}

// --- DispatchObject --------------------------------------------------------

DispatchObject::DispatchObject(DispatchObject&& other) noexcept
    : dispatch_(other.dispatch_), type_name_(std::move(other.type_name_)) {
  other.dispatch_ = nullptr;
}

DispatchObject& DispatchObject::operator=(DispatchObject&& other) noexcept {
  if (this != &other) {
    Reset();
    dispatch_ = other.dispatch_;
    type_name_ = std::move(other.type_name_);
    other.dispatch_ = nullptr;
  }
  return *this;
}

DispatchObject DispatchObject::Adopt(IDispatch* dispatch, std::string type_name) {
  DispatchObject object;
  object.type_name_ = std::move(type_name);
  object.dispatch_ = dispatch;
  return object;
}

DispatchObject DispatchObject::Share(IDispatch* dispatch, std::string type_name) {
  DispatchObject object;
  object.type_name_ = std::move(type_name);
  if (dispatch != nullptr) dispatch->AddRef();
  object.dispatch_ = dispatch;
  return object;
}

void DispatchObject::Reset() {
  if (dispatch_ != nullptr) {
    IDispatch* dispatch = dispatch_;
    dispatch_ = nullptr;
    dispatch->Release();
  }
}

void DispatchObject::Fail(const char* member, const std::string& what) const {
  throw Failure(type_name_ + "." + member + " " + what);
}

Variant DispatchObject::Call(const char* member, std::vector<Variant> args) const {
  return Invoke(member, DISPATCH_METHOD, args);
}

Variant DispatchObject::CallOrGet(const char* member, std::vector<Variant> args) const {
  return Invoke(member, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args);
}

Variant DispatchObject::Get(const char* member) const {
  std::vector<Variant> none;
  return Invoke(member, DISPATCH_PROPERTYGET, none);
}

void DispatchObject::Put(const char* member, Variant value) const {
  std::vector<Variant> args;
  args.push_back(std::move(value));
  Invoke(member, DISPATCH_PROPERTYPUT, args);
}

Variant DispatchObject::Invoke(const char* member, WORD flags, std::vector<Variant>& args) const {
  if (dispatch_ == nullptr) Fail(member, text::Translate("called on no object"));

  std::u16string name = text::Utf8ToUtf16(member);
  LPOLESTR names[] = {reinterpret_cast<LPOLESTR>(name.data())};
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) {
    throw Failure(DescribeFailure(
        text::Format(text::Translate("name lookup of {0}"), type_name_ + "." + member), hr));
  }

  // Invoke takes the positional arguments last to first. The copies are
  // shallow: `args` keeps owning every string.
  std::vector<VARIANTARG> reversed;
  reversed.reserve(args.size());
  for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(it->get());

  DISPID put_id = DISPID_PROPERTYPUT;
  DISPPARAMS params{};
  params.rgvarg = reversed.empty() ? nullptr : reversed.data();
  params.cArgs = static_cast<UINT>(reversed.size());
  const bool put = (flags & DISPATCH_PROPERTYPUT) != 0;
  if (put) {
    // A property put passes its value as the one named argument.
    params.rgdispidNamedArgs = &put_id;
    params.cNamedArgs = 1;
  }

  Variant result;
  ExceptionInfo exception;
  UINT argument_error = UINT_MAX;
  hr = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                         put ? nullptr : &result.get(), &exception.info, &argument_error);
  if (SUCCEEDED(hr)) return result;

  HRESULT code = hr;
  std::string description;
  if (hr == DISP_E_EXCEPTION) {
    EXCEPINFO& info = exception.info;
    if (info.pfnDeferredFillIn != nullptr) info.pfnDeferredFillIn(&info);
    // The server's own status is the useful one; DISP_E_EXCEPTION only says
    // that there is one.
    if (FAILED(info.scode)) {
      code = info.scode;
    } else if (info.wCode != 0) {
      code = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, info.wCode);
    }
    if (info.bstrDescription != nullptr) {
      description = WideToUtf8(info.bstrDescription, SysStringLen(info.bstrDescription));
    }
  }
  std::string what = type_name_ + "." + member;
  if ((hr == DISP_E_TYPEMISMATCH || hr == DISP_E_PARAMNOTFOUND) && argument_error < params.cArgs) {
    what += " (argument " + std::to_string(params.cArgs - argument_error) + ")";
  }
  throw Failure(DescribeFailure(what, code, description));
}

DispatchObject DispatchObject::ObjectFrom(const char* member, Variant result,
                                          std::string type_name) const {
  VARIANT& value = result.get();
  if (value.vt == VT_DISPATCH && value.pdispVal != nullptr) {
    IDispatch* dispatch = value.pdispVal;
    value.pdispVal = nullptr;
    value.vt = VT_EMPTY;
    return Adopt(dispatch, std::move(type_name));
  }
  if (value.vt == VT_UNKNOWN && value.punkVal != nullptr) {
    IDispatch* dispatch = nullptr;
    const HRESULT hr =
        value.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    if (SUCCEEDED(hr) && dispatch != nullptr) return Adopt(dispatch, std::move(type_name));
    Fail(member, text::Format(text::Translate("returned an object without IDispatch ({0})"),
                              FormatHresult(hr)));
  }
  Fail(member, text::Format(text::Translate("returned no object (variant type {0})"), value.vt));
}

bool DispatchObject::BoolFrom(const char* member, Variant result) const {
  if (result.type() == VT_EMPTY || result.type() == VT_NULL)
    Fail(member, text::Translate("returned no value"));
  Variant converted;
  const HRESULT hr = VariantChangeType(&converted.get(), &result.get(), 0, VT_BOOL);
  if (FAILED(hr)) {
    Fail(member,
         text::Format(text::Translate("returned a variant of type {0} that is not a Boolean ({1})"),
                      result.type(), FormatHresult(hr)));
  }
  return converted.get().boolVal != VARIANT_FALSE;
}

int DispatchObject::IntFrom(const char* member, Variant result) const {
  if (result.type() == VT_EMPTY || result.type() == VT_NULL)
    Fail(member, text::Translate("returned no value"));
  Variant converted;
  const HRESULT hr = VariantChangeType(&converted.get(), &result.get(), 0, VT_I4);
  if (FAILED(hr)) {
    Fail(member, text::Format(
                     text::Translate("returned a variant of type {0} that is not an integer ({1})"),
                     result.type(), FormatHresult(hr)));
  }
  return static_cast<int>(converted.get().lVal);
}

// --- Object creation ---------------------------------------------------------

DispatchObject CreateDispatchObject(const std::string& name, std::string type_name) {
  const std::u16string prog_id = ToUtf16(name);
  CLSID clsid{};
  HRESULT hr = CLSIDFromProgID(WideData(prog_id), &clsid);
  if (FAILED(hr)) throw Failure(DescribeFailure("CLSIDFromProgID(" + name + ")", hr));
  IDispatch* dispatch = nullptr;
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                        reinterpret_cast<void**>(&dispatch));
  if (FAILED(hr)) throw Failure(DescribeFailure("CoCreateInstance(" + name + ")", hr));
  if (dispatch == nullptr) {
    throw Failure(
        text::Format(text::Translate("{0} returned no object"), "CoCreateInstance(" + name + ")"));
  }
  return DispatchObject::Adopt(dispatch, std::move(type_name));
}

}  // namespace reportword::automation
