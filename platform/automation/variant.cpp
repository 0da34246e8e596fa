#include "platform/automation/variant.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

#include "platform/codepage.h"

namespace platform {
namespace {

// Numbers written in a string are ASCII; anything else in it makes it no number.
std::optional<double> ParseNumber(const std::u16string& text) {
  std::string ascii;
  for (char16_t unit : text) {
    if (unit >= 0x80) return std::nullopt;
    ascii.push_back(static_cast<char>(unit));
  }
  size_t first = ascii.find_first_not_of(" \t");
  size_t last = ascii.find_last_not_of(" \t");
  if (first == std::string::npos) return std::nullopt;
  std::string_view digits(ascii.data() + first, last - first + 1);
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  double value = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAsciiCase(a[i]) != FoldAsciiCase(b[i])) return false;
  }
  return true;
}

std::u16string AsciiToUtf16(std::string_view ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}

}  // namespace

Variant Variant::Int32(int32_t value) { return Variant(Value(value)); }
Variant Variant::Double(double value) { return Variant(Value(value)); }
Variant Variant::Bool(bool value) { return Variant(Value(value)); }
Variant Variant::String(std::u16string value) {
  return Variant(Value(std::make_shared<const std::u16string>(std::move(value))));
}
Variant Variant::FromBytes(Bytes value) {
  // Made as a mutable object, so that TakeBytes may move it out once no other variant shares it.
  return Variant(Value(std::shared_ptr<const Bytes>(std::make_shared<Bytes>(std::move(value)))));
}
Variant Variant::Object(std::shared_ptr<DispatchObject> value) {
  return Variant(Value(std::move(value)));
}

std::optional<double> Variant::ToDouble() const {
  switch (Type()) {
    case VariantType::kEmpty:
      return 0.0;
    case VariantType::kInt32:
      return std::get<int32_t>(value_);
    case VariantType::kDouble:
      return std::get<double>(value_);
    case VariantType::kBool:
      return std::get<bool>(value_) ? -1.0 : 0.0;
    case VariantType::kString:
      return ParseNumber(*std::get<std::shared_ptr<const std::u16string>>(value_));
    default:
      return std::nullopt;
  }
}

std::optional<int32_t> Variant::ToInt32() const {
  if (Type() == VariantType::kInt32) return std::get<int32_t>(value_);
  std::optional<double> number = ToDouble();
  if (!number) return std::nullopt;
  double rounded = std::nearbyint(*number);  // the default rounding mode: half to even
  if (!(rounded >= std::numeric_limits<int32_t>::min() &&
        rounded <= std::numeric_limits<int32_t>::max())) {
    return std::nullopt;  // out of range, or not a number
  }
  return static_cast<int32_t>(rounded);
}

std::optional<bool> Variant::ToBool() const {
  if (Type() == VariantType::kBool) return std::get<bool>(value_);
  if (Type() == VariantType::kString) {
    const std::u16string& text = *std::get<std::shared_ptr<const std::u16string>>(value_);
    if (EqualsIgnoringAsciiCase(text, u"true")) return true;
    if (EqualsIgnoringAsciiCase(text, u"false")) return false;
  }
  std::optional<double> number = ToDouble();
  if (!number) return std::nullopt;
  return *number != 0.0;
}

std::optional<std::u16string> Variant::ToString() const {
  switch (Type()) {
    case VariantType::kEmpty:
      return std::u16string();
    case VariantType::kInt32:
      return AsciiToUtf16(std::to_string(std::get<int32_t>(value_)));
    case VariantType::kDouble: {
      char buffer[64];
      auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, std::get<double>(value_));
      return AsciiToUtf16(std::string_view(buffer, end - buffer));
    }
    case VariantType::kBool:
      return std::u16string(std::get<bool>(value_) ? u"True" : u"False");
    case VariantType::kString:
      return *std::get<std::shared_ptr<const std::u16string>>(value_);
    default:
      return std::nullopt;
  }
}

std::optional<Variant::Bytes> Variant::ToBytes() const {
  if (Type() != VariantType::kBytes) return std::nullopt;
  return *std::get<std::shared_ptr<const Bytes>>(value_);
}

const Variant::Bytes* Variant::BytesView() const {
  if (Type() != VariantType::kBytes) return nullptr;
  return std::get<std::shared_ptr<const Bytes>>(value_).get();
}

std::optional<Variant::Bytes> Variant::TakeBytes() && {
  if (Type() != VariantType::kBytes) return std::nullopt;
  std::shared_ptr<const Bytes> shared = std::get<std::shared_ptr<const Bytes>>(std::move(value_));
  value_ = std::monostate();
  if (shared.use_count() != 1) return *shared;
  // The only holder: the object was made mutable (FromBytes), so its bytes may be moved.
  return std::move(const_cast<Bytes&>(*shared));
}

std::optional<std::shared_ptr<DispatchObject>> Variant::ToObject() const {
  if (Type() != VariantType::kObject) return std::nullopt;
  return std::get<std::shared_ptr<DispatchObject>>(value_);
}

bool operator==(const Variant& a, const Variant& b) {
  if (a.Type() != b.Type()) return false;
  switch (a.Type()) {
    case VariantType::kString:
      return *a.ToString() == *b.ToString();
    case VariantType::kBytes:
      return *a.ToBytes() == *b.ToBytes();
    default:
      return a.value_ == b.value_;  // the shared pointer of an object: identity
  }
}

std::ostream& operator<<(std::ostream& out, const Variant& value) {
  switch (value.Type()) {
    case VariantType::kEmpty:
      return out << "Empty";
    case VariantType::kString:
      return out << "String(\"" << Utf16ToGbk(*value.ToString()) << "\")";
    case VariantType::kBytes:
      return out << "Bytes(" << value.ToBytes()->size() << ")";
    case VariantType::kObject:
      return out << "Object(" << value.ToObject()->get() << ")";
    case VariantType::kBool:
      return out << "Bool(" << Utf16ToGbk(*value.ToString()) << ")";
    default:
      return out << "Number(" << Utf16ToGbk(*value.ToString()) << ")";
  }
}

}  // namespace platform
