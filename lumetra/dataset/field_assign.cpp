#include "lumetra/dataset/field_assign.h"

#include <cmath>
#include <string>

#include "lumetra/automation/values/errors.h"
#include "lumetra/automation/values/variant_convert.h"
#include "lumetra/dataset/date_time.h"

namespace lumetra::dataset {
namespace {

enum class Mode { Store, Key };

// Cuts UTF-8 text to `width` characters.
std::string CutToWidth(std::string text, int width) {
  if (width <= 0) return text;
  size_t pos = 0;
  for (int n = 0; n < width && pos < text.size(); ++n) {
    ++pos;
    while (pos < text.size() && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80) ++pos;
  }
  text.resize(pos);
  return text;
}

std::string WideToBytes(const WideString& text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

// The first character of the text that a data packet cannot carry, or npos.
// A packet is XML 1.0 text: it has no NUL, no control character other than
// tab, LF and CR, no U+FFFE or U+FFFF, and UTF-8 has no surrogate without its
// partner. With `surrogates_only`, only such surrogates count (for text stored as
// bytes and written in Base64).
size_t FirstUnwritable(WideStringView text, bool surrogates_only) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      ++i;
      continue;
    }
    if (c >= 0xD800 && c <= 0xDFFF) return i;
    if (surrogates_only) continue;
    if ((c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c == 0xFFFE || c == 0xFFFF) return i;
  }
  return WideStringView::npos;
}

// The text of the value for a field that stores it as text (or as its UTF-8
// bytes): a character the packet cannot carry is refused, never cut or
// replaced; a key with one matches nothing (nullopt).
std::optional<WideString> TextFor(const FieldDef& field, const Variant& value, Mode mode, bool surrogates_only) {
  WideString text = VariantToText(value);
  const size_t bad = FirstUnwritable(text, surrogates_only);
  if (bad == WideStringView::npos) return text;
  if (mode == Mode::Key) return std::nullopt;
  static const char kHex[] = "0123456789ABCDEF";
  std::string code = "U+";
  for (int shift = 12; shift >= 0; shift -= 4) code += kHex[(text[bad] >> shift) & 0xF];
  throw Error("The text for field '" + field.name + "' holds the character " + code +
              ", which a data packet cannot carry");
}

double DayNumberOf(const FieldDef& field, const Variant& value) {
  const Variant& v = value.deref();
  double day = 0;
  if ((v.type() & vt::TypeMask) == vt::BStr) {
    const auto parsed = DateTimeFromText(ToUtf8(v.string_value()));
    if (!parsed) {
      throw Error("'" + ToUtf8(v.string_value()) + "' is not a valid date and time for field '" + field.name + "'");
    }
    day = *parsed;
  } else {
    day = VariantToDouble(v);
  }
  if (!FromDayNumber(day)) throw Error("Invalid date and time value for field '" + field.name + "'");
  switch (field.type) {
    case FieldType::ftDate:
      return std::trunc(day);
    case FieldType::ftTime:
      return std::fabs(day - std::trunc(day));
    default:
      return day;
  }
}

std::optional<Cell> Convert(const FieldDef& field, const Variant& value, Mode mode) {
  const VarTypeCode kind = value.deref().type();
  if (kind == vt::Empty || kind == vt::Null) return Cell{};
  switch (field.type) {
    case FieldType::ftString:
    case FieldType::ftFixedChar:
    case FieldType::ftWideString:
    case FieldType::ftFixedWideChar:
    case FieldType::ftGuid: {
      const auto wide = TextFor(field, value, mode, false);
      if (!wide) return std::nullopt;
      std::string text = ToUtf8(*wide);
      return Cell{mode == Mode::Store ? CutToWidth(std::move(text), field.width) : std::move(text)};
    }
    case FieldType::ftMemo:
    case FieldType::ftFmtMemo:
    case FieldType::ftBlob:
    case FieldType::ftGraphic:
    case FieldType::ftTypedBinary:
    case FieldType::ftBytes: {
      const auto wide = TextFor(field, value, mode, true);
      if (!wide) return std::nullopt;
      return Cell{ToUtf8(*wide)};
    }
    case FieldType::ftWideMemo:
      return Cell{WideToBytes(VariantToText(value))};
    case FieldType::ftShortint:
    case FieldType::ftSmallint:
    case FieldType::ftInteger:
    case FieldType::ftAutoInc:
    case FieldType::ftLargeint:
    case FieldType::ftByte:
    case FieldType::ftWord:
    case FieldType::ftLongWord: {
      const int64_t number = VariantToInt64(value);
      const IntegerRange range = *RangeOf(field.type);
      if (number < range.min || number > range.max) {
        if (mode == Mode::Key) return std::nullopt;
        throw Error(std::to_string(number) + " is not a valid value for field '" + field.name +
                    "'. The allowed range is " + std::to_string(range.min) + " to " + std::to_string(range.max));
      }
      return Cell{number};
    }
    case FieldType::ftBoolean:
      return Cell{VariantToBool(value)};
    case FieldType::ftFloat:
    case FieldType::ftBCD:
    case FieldType::ftFMTBcd:
      return Cell{VariantToDouble(value)};
    case FieldType::ftCurrency: {
      const double number = VariantToDouble(value);
      if (!std::isfinite(number) || std::fabs(number) > 922337203685477.0) {
        if (mode == Mode::Key) return std::nullopt;
        throw Error("Value out of range for field '" + field.name + "'");
      }
      return Cell{std::nearbyint(number * 10000.0) / 10000.0};
    }
    case FieldType::ftDate:
    case FieldType::ftTime:
    case FieldType::ftDateTime:
    case FieldType::ftTimeStamp:
      return Cell{DayNumberOf(field, value)};
    case FieldType::ftDataSet:
      break;
  }
  throw Error("Field '" + field.name + "' is a nested dataset and holds no value");
}

}  // namespace

Cell CellForField(const FieldDef& field, const Variant& value) { return *Convert(field, value, Mode::Store); }

std::optional<Cell> KeyCellForField(const FieldDef& field, const Variant& value) {
  return Convert(field, value, Mode::Key);
}

}  // namespace lumetra::dataset
