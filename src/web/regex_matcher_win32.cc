// RegexMatcher over the system's "VBScript.RegExp" component, created by
// its ProgID and driven late-bound through IDispatch: every property and
// method is looked up by name, as a script would. Texts cross as BSTRs
// converted from and to code page 936.
//
// Under Wine 8 the component's "Execute" never returns for a pattern that
// matches the empty string (such as "a*?"); the program's own patterns
// cannot match empty.

#include <windows.h>
// after windows.h, which it needs
#include <oleauto.h>

#include <string>
#include <utility>

#include "text/win32_strings.h"
#include "web/regex_matcher.h"

namespace feed {
namespace {

// One counted reference to an automation object.
class DispatchRef {
 public:
  DispatchRef() = default;
  // Takes over a reference the caller already holds.
  explicit DispatchRef(IDispatch* owned) : object_(owned) {}
  DispatchRef(const DispatchRef& other) : object_(other.object_) {
    if (object_) object_->AddRef();
  }
  DispatchRef& operator=(DispatchRef other) {
    std::swap(object_, other.object_);
    return *this;
  }
  ~DispatchRef() {
    if (object_) object_->Release();
  }
  IDispatch* get() const { return object_; }

 private:
  IDispatch* object_ = nullptr;
};

// A VARIANT that clears itself.
class Variant {
 public:
  Variant() { ::VariantInit(&value_); }
  ~Variant() { ::VariantClear(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  VARIANT* get() { return &value_; }
  const VARIANT* get() const { return &value_; }

 private:
  VARIANT value_;
};

void SetText(Variant& variant, const Text& text) {
  std::wstring wide = WideFromGbk(text);
  V_VT(variant.get()) = VT_BSTR;
  V_BSTR(variant.get()) =
      ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

void SetBool(Variant& variant, bool value) {
  V_VT(variant.get()) = VT_BOOL;
  V_BOOL(variant.get()) = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void SetInt(Variant& variant, int value) {
  V_VT(variant.get()) = VT_I4;
  V_I4(variant.get()) = value;
}

// The value as text, the way automation converts it (a boolean becomes "0"
// or "-1"); empty when it cannot be converted.
Text TextOf(const Variant& variant) {
  Variant converted;
  if (FAILED(::VariantChangeType(converted.get(),
                                 const_cast<VARIANT*>(variant.get()), 0,
                                 VT_BSTR))) {
    return Text();
  }
  BSTR bstr = V_BSTR(converted.get());
  if (!bstr) return Text();
  return GbkFromWide(std::wstring_view(bstr, ::SysStringLen(bstr)));
}

// The value as a number; 0 when it cannot be converted.
double NumberOf(const Variant& variant) {
  Variant converted;
  if (FAILED(::VariantChangeType(converted.get(),
                                 const_cast<VARIANT*>(variant.get()), 0,
                                 VT_R8))) {
    return 0;
  }
  return V_R8(converted.get());
}

// Takes the object out of a result; empty when it holds none.
DispatchRef ObjectOf(Variant& variant) {
  if (V_VT(variant.get()) != VT_DISPATCH || !V_DISPATCH(variant.get())) {
    return DispatchRef();
  }
  DispatchRef object(V_DISPATCH(variant.get()));
  V_VT(variant.get()) = VT_EMPTY;  // the reference moved into |object|
  return object;
}

// Calls the member |name| of |object| by name. |args| are in the order a
// script writes them. A missing object, an unknown name or a failing call
// leave |result| empty.
bool Invoke(const DispatchRef& object, const wchar_t* name, WORD kind,
            Variant* const* args, UINT argCount, Variant* result) {
  if (!object.get()) return false;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  DISPID id = 0;
  if (FAILED(object.get()->GetIDsOfNames(IID_NULL, names, 1,
                                         LOCALE_USER_DEFAULT, &id))) {
    return false;
  }
  // IDispatch wants the arguments last to first.
  VARIANT reversed[2];
  for (UINT i = 0; i < argCount; ++i) {
    reversed[argCount - 1 - i] = *args[i]->get();
  }
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS params = {};
  params.rgvarg = argCount ? reversed : nullptr;
  params.cArgs = argCount;
  if (kind == DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &putId;
    params.cNamedArgs = 1;
  }
  return SUCCEEDED(object.get()->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT,
                                        kind, &params,
                                        result ? result->get() : nullptr,
                                        nullptr, nullptr));
}

void Put(const DispatchRef& object, const wchar_t* name, Variant& value) {
  Variant* args[] = {&value};
  Invoke(object, name, DISPATCH_PROPERTYPUT, args, 1, nullptr);
}

// Reads a property, with an optional index (such as a collection's Item).
void Get(const DispatchRef& object, const wchar_t* name, Variant* result,
         Variant* index = nullptr) {
  Variant* args[] = {index};
  Invoke(object, name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, args,
         index ? 1 : 0, result);
}

DispatchRef PropertyObject(const DispatchRef& object, const wchar_t* name) {
  Variant result;
  Get(object, name, &result);
  return ObjectOf(result);
}

// The collection's item at the 0-based |index|; empty when out of range.
DispatchRef ItemObject(const DispatchRef& collection, int index) {
  Variant at;
  SetInt(at, index);
  Variant result;
  Get(collection, L"Item", &result, &at);
  return ObjectOf(result);
}

DispatchRef CreateByProgId(const wchar_t* progId) {
  CLSID clsid;
  if (FAILED(::CLSIDFromProgID(progId, &clsid))) return DispatchRef();
  IDispatch* object = nullptr;
  if (FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IDispatch,
                                reinterpret_cast<void**>(&object)))) {
    return DispatchRef();
  }
  return DispatchRef(object);
}

}  // namespace

struct RegexMatcher::Objects {
  DispatchRef expression;
  DispatchRef matches;
};

RegexMatcher::RegexMatcher() : objects_(std::make_unique<Objects>()) {}

RegexMatcher::~RegexMatcher() = default;

RegexMatcher::RegexMatcher(const RegexMatcher& other)
    : objects_(std::make_unique<Objects>(*other.objects_)),
      subject_(other.subject_) {}

bool RegexMatcher::Execute(const Text& pattern, bool ignoreCase,
                           bool multiLine, bool globalMatch) {
  objects_->matches = DispatchRef();
  objects_->expression = CreateByProgId(L"VBScript.RegExp");
  const DispatchRef& expression = objects_->expression;

  Variant value;
  SetBool(value, ignoreCase);
  Put(expression, L"IgnoreCase", value);
  SetBool(value, multiLine);
  Put(expression, L"Multiline", value);
  // Not every version knows "Singleline"; it is set where it exists.
  SetBool(value, true);
  Put(expression, L"Singleline", value);
  SetBool(value, globalMatch);
  Put(expression, L"Global", value);
  Variant patternText;
  SetText(patternText, pattern);
  Put(expression, L"Pattern", patternText);

  Variant subject;
  SetText(subject, subject_);
  Variant* args[] = {&subject};
  Variant result;
  Invoke(expression, L"Execute", DISPATCH_METHOD, args, 1, &result);
  objects_->matches = ObjectOf(result);
  return objects_->matches.get() != nullptr;
}

Text RegexMatcher::GetPattern() const {
  Variant pattern;
  Get(objects_->expression, L"Pattern", &pattern);
  return TextOf(pattern);
}

Text RegexMatcher::Replace(const Text& replacement) const {
  Variant subject;
  SetText(subject, subject_);
  Variant with;
  SetText(with, replacement);
  Variant* args[] = {&subject, &with};
  Variant result;
  Invoke(objects_->expression, L"Replace", DISPATCH_METHOD, args, 2, &result);
  return TextOf(result);
}

int RegexMatcher::MatchCount() const {
  Variant count;
  Get(objects_->matches, L"Count", &count);
  return static_cast<int>(TruncateToInteger(NumberOf(count)));
}

Text RegexMatcher::MatchValue(int index) const {
  DispatchRef match = ItemObject(objects_->matches, index);
  Variant value;
  Get(match, L"Value", &value);
  return TextOf(value);
}

Text RegexMatcher::SubmatchValue(int index, int group) const {
  DispatchRef match = ItemObject(objects_->matches, index);
  DispatchRef groups = PropertyObject(match, L"SubMatches");
  Variant at;
  SetInt(at, group);
  Variant value;
  Get(groups, L"Item", &value, &at);
  return TextOf(value);
}

double RegexMatcher::MatchFirstIndex(int index) const {
  DispatchRef match = ItemObject(objects_->matches, index);
  Variant first;
  Get(match, L"FirstIndex", &first);
  return NumberOf(first);
}

Text RegexMatcher::IgnoreCaseAsText() const {
  Variant ignoreCase;
  Get(objects_->expression, L"IgnoreCase", &ignoreCase);
  return TextOf(ignoreCase);
}

int RegexMatcher::SubmatchCount() const {
  DispatchRef match = ItemObject(objects_->matches, 0);
  DispatchRef groups = PropertyObject(match, L"SubMatches");
  Variant count;
  Get(groups, L"Count", &count);
  return static_cast<int>(TruncateToInteger(NumberOf(count)));
}

}  // namespace feed
