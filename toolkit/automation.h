// Automation objects and variants: the program's late-bound access to the objects of the
// automation layer (platform/automation), by member name, with texts converted between GBK and
// UTF-16 on the way (losslessly, stray bytes included).
//
// Every call fails silently: a failed creation, an empty holder, a member the object lacks,
// arguments that do not fit, a refused call or a result of the wrong kind give the empty
// result ("" for a text, 0 for a number, an empty holder, an empty variant, false) and leave
// the failure as the thread's last automation error (platform::LastAutomationError()). An
// object is used only on the thread that created it, and a thread must hold a ComInitialize
// to create one.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string_view>

#include "platform/automation/dispatch_object.h"
#include "platform/automation/variant.h"
#include "runtime/byte_array.h"
#include "runtime/text.h"

using Variant = platform::Variant;

// A holder of at most one reference to an automation object. Copying the holder takes another
// reference; the object goes when the last holder lets it go.
class ComObject {
 public:
  ComObject() = default;
  explicit ComObject(std::shared_ptr<platform::DispatchObject> object)
      : object_(std::move(object)) {}

  bool Empty() const { return object_ == nullptr; }
  platform::DispatchObject* Get() const { return object_.get(); }
  // Another reference to the object, for a variant that carries it.
  std::shared_ptr<platform::DispatchObject> Shared() const { return object_; }
  void Release() { object_.reset(); }

 private:
  std::shared_ptr<platform::DispatchObject> object_;
};

// The arguments the program passes, as variants: a text becomes a string, a ByteArray an array
// of bytes, an integer, real or boolean itself, a holder its object.
namespace automation_detail {
inline Variant ToVariant(const Variant& value) { return value; }
Variant ToVariant(std::string_view text);
inline Variant ToVariant(const char* text) { return ToVariant(std::string_view(text)); }
inline Variant ToVariant(const Text& text) { return ToVariant(std::string_view(text)); }
inline Variant ToVariant(int32_t value) { return Variant::Int32(value); }
inline Variant ToVariant(double value) { return Variant::Double(value); }
inline Variant ToVariant(bool value) { return Variant::Bool(value); }
Variant ToVariant(const ByteArray& bytes);
Variant ToVariant(const ComObject& object);

platform::InvokeResult Invoke(const ComObject& object, std::string_view member,
                              platform::InvokeKind kind, std::initializer_list<Variant> args);
Text ResultToText(const platform::InvokeResult& result);
double ResultToNumber(const platform::InvokeResult& result);
ComObject ResultToObject(const platform::InvokeResult& result);
}  // namespace automation_detail

// CoInitialize / CoUninitialize for the calling thread; the result of the first is ignored.
void ComInitialize();
void ComUninitialize();

// Creates an object of the class registered under progId. On success the holder's previous
// reference is released, the new one stored, and the result is true; on failure the holder is
// unchanged and the result is false.
bool CmdComCreate(ComObject& holder, std::string_view progId);

// Read a property (with arguments, an indexed property) as a text, a number, a new holder or
// a variant.
template <typename... Args>
Text CmdComGetText(const ComObject& object, std::string_view member, const Args&... args) {
  using namespace automation_detail;
  return ResultToText(Invoke(object, member, platform::InvokeKind::kGet, {ToVariant(args)...}));
}
template <typename... Args>
double CmdComGetNumber(const ComObject& object, std::string_view member, const Args&... args) {
  using namespace automation_detail;
  return ResultToNumber(Invoke(object, member, platform::InvokeKind::kGet, {ToVariant(args)...}));
}
template <typename... Args>
ComObject CmdComGetObject(const ComObject& object, std::string_view member, const Args&... args) {
  using namespace automation_detail;
  return ResultToObject(Invoke(object, member, platform::InvokeKind::kGet, {ToVariant(args)...}));
}
template <typename... Args>
Variant CmdComGetVariant(const ComObject& object, std::string_view member, const Args&... args) {
  using namespace automation_detail;
  return Invoke(object, member, platform::InvokeKind::kGet, {ToVariant(args)...}).value;
}

// Call a method: for its effect (true when the call succeeded), or for its result as a text
// or a new holder.
template <typename... Args>
bool CmdComCall(const ComObject& object, std::string_view member, const Args&... args) {
  using namespace automation_detail;
  return !Invoke(object, member, platform::InvokeKind::kCall, {ToVariant(args)...}).Failed();
}
template <typename... Args>
Text CmdComCallText(const ComObject& object, std::string_view member, const Args&... args) {
  using namespace automation_detail;
  return ResultToText(Invoke(object, member, platform::InvokeKind::kCall, {ToVariant(args)...}));
}
template <typename... Args>
ComObject CmdComCallObject(const ComObject& object, std::string_view member, const Args&... args) {
  using namespace automation_detail;
  return ResultToObject(Invoke(object, member, platform::InvokeKind::kCall, {ToVariant(args)...}));
}

// Set a property: the last argument is the value, any before it are indices. True when the
// call succeeded.
template <typename... Args>
bool CmdComSetProperty(const ComObject& object, std::string_view member, const Args&... args) {
  using namespace automation_detail;
  return !Invoke(object, member, platform::InvokeKind::kPut, {ToVariant(args)...}).Failed();
}

// destination takes its own reference to source's object (or becomes empty with it).
inline void CmdObjectAssign(ComObject& destination, const ComObject& source) {
  destination = source;
}
// Drops the holder's reference; the holder is empty afterwards.
inline void CmdObjectRelease(ComObject& holder) { holder.Release(); }
inline bool CmdObjectIsEmpty(const ComObject& holder) { return holder.Empty(); }

// variant := value, converted as an argument is (a text becomes a string, a ByteArray an
// array of bytes).
template <typename Value>
void CmdVariantAssign(Variant& variant, const Value& value) {
  variant = automation_detail::ToVariant(value);
}
inline void CmdVariantCopy(Variant& destination, const Variant& source) {
  destination = Variant();
  destination = source;
}
inline void CmdVariantClear(Variant& variant) { variant = Variant(); }
// The variant converted to a string, then to a text; "" when it cannot be (a byte array or an
// object), which is also left as the last automation error.
Text CmdVariantToText(const Variant& variant);
// The variant's byte array; the empty ByteArray for any other kind (also left as the last
// automation error).
ByteArray CmdVariantToBytes(const Variant& variant);
// The same, moving the bytes out of the variant when it is their only holder (a response body
// is then never held twice); the variant is empty afterwards.
ByteArray CmdVariantToBytes(Variant&& variant);
