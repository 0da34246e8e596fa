// Variant: the one value type that crosses the automation layer, in the kinds that the objects
// of this program exchange. Strings and byte arrays are immutable and shared between copies,
// so passing a page-sized value costs no copy of its contents.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <variant>

#include "platform/byte_buffer.h"

namespace platform {

class DispatchObject;

enum class VariantType { kEmpty, kInt32, kDouble, kBool, kString, kBytes, kObject };

class Variant {
 public:
  using Bytes = ByteBuffer;

  // The empty variant.
  Variant() = default;

  static Variant Int32(int32_t value);
  static Variant Double(double value);
  static Variant Bool(bool value);
  static Variant String(std::u16string value);
  static Variant FromBytes(Bytes value);
  // A null object is a valid object variant ("Nothing").
  static Variant Object(std::shared_ptr<DispatchObject> value);

  VariantType Type() const { return static_cast<VariantType>(value_.index()); }
  bool IsEmpty() const { return Type() == VariantType::kEmpty; }

  // The conversions that automation applies to arguments and results. nullopt means the value
  // cannot be converted (the caller reports AutomationError::kTypeMismatch):
  // - ToInt32: empty 0; a bool -1 or 0; a double rounded half to even (nullopt outside the
  //   32-bit range); a string read as a number.
  // - ToDouble: as ToInt32, without rounding.
  // - ToBool: empty false; a number true when non-zero; a string "True"/"False" in any case,
  //   or a number.
  // - ToString: empty ""; numbers in decimal; a bool "True" or "False".
  // - ToBytes: byte arrays only.
  // - ToObject: object variants only (possibly null).
  std::optional<int32_t> ToInt32() const;
  std::optional<double> ToDouble() const;
  std::optional<bool> ToBool() const;
  std::optional<std::u16string> ToString() const;
  std::optional<Bytes> ToBytes() const;
  // The byte array itself, without a copy; null for any other kind.
  const Bytes* BytesView() const;
  // The byte array, moved out when this variant is the only holder of its bytes and copied
  // otherwise; nullopt for any other kind. The variant is empty afterwards.
  std::optional<Bytes> TakeBytes() &&;
  std::optional<std::shared_ptr<DispatchObject>> ToObject() const;

  // Same kind and same value; objects compare by identity.
  friend bool operator==(const Variant& a, const Variant& b);

 private:
  using Value =
      std::variant<std::monostate, int32_t, double, bool, std::shared_ptr<const std::u16string>,
                   std::shared_ptr<const Bytes>, std::shared_ptr<DispatchObject>>;
  explicit Variant(Value value) : value_(std::move(value)) {}

  Value value_;
};

// For test failure messages.
std::ostream& operator<<(std::ostream& out, const Variant& value);

using Arguments = std::span<const Variant>;

}  // namespace platform
