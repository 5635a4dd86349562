#include "lumetra/dataset/packet_values.h"

#include <charconv>
#include <cmath>

#include "lumetra/dataset/date_time.h"
#include "lumetra/encoding/base64.h"

namespace lumetra::dataset {
namespace {

bool IsBase64Char(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/' ||
         c == '=' || c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::optional<Cell> Integer(const FieldDef& field, std::string_view text) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (begin != end && *begin == '+') ++begin;
  int64_t value = 0;
  const auto result = std::from_chars(begin, end, value);
  if (begin == end || result.ec != std::errc() || result.ptr != end) return std::nullopt;
  const IntegerRange range = *RangeOf(field.type);
  if (value < range.min || value > range.max) return std::nullopt;
  return Cell{value};
}

std::optional<Cell> Floating(std::string_view text) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (begin != end && *begin == '+') ++begin;
  double value = 0;
  const auto result = std::from_chars(begin, end, value);
  if (begin == end || result.ec != std::errc() || result.ptr != end) return std::nullopt;
  return Cell{value};
}

std::optional<Cell> Boolean(std::string_view text) {
  auto equals = [&](std::string_view word) {
    if (text.size() != word.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
      const char c = text[i] >= 'a' && text[i] <= 'z' ? static_cast<char>(text[i] - 32) : text[i];
      if (c != word[i]) return false;
    }
    return true;
  };
  if (equals("TRUE")) return Cell{true};
  if (equals("FALSE")) return Cell{false};
  return std::nullopt;
}

std::optional<Cell> Day(std::optional<double> day) {
  if (!day) return std::nullopt;
  return Cell{*day};
}

}  // namespace

std::optional<Cell> ParsePacketValue(const FieldDef& field, std::string_view text, DateForm* form) {
  switch (field.type) {
    case FieldType::ftString:
    case FieldType::ftFixedChar:
    case FieldType::ftWideString:
    case FieldType::ftFixedWideChar:
    case FieldType::ftGuid:
      return Cell{std::string(text)};
    case FieldType::ftMemo:
    case FieldType::ftWideMemo:
    case FieldType::ftBlob:
    case FieldType::ftGraphic:
    case FieldType::ftFmtMemo:
    case FieldType::ftTypedBinary:
    case FieldType::ftBytes:
      for (char c : text) {
        if (!IsBase64Char(c)) return std::nullopt;
      }
      return Cell{DecodeBase64(text)};
    case FieldType::ftShortint:
    case FieldType::ftSmallint:
    case FieldType::ftInteger:
    case FieldType::ftAutoInc:
    case FieldType::ftLargeint:
    case FieldType::ftByte:
    case FieldType::ftWord:
    case FieldType::ftLongWord:
      return Integer(field, text);
    case FieldType::ftFloat:
    case FieldType::ftCurrency:
    case FieldType::ftBCD:
    case FieldType::ftFMTBcd:
      return Floating(text);
    case FieldType::ftBoolean:
      return Boolean(text);
    case FieldType::ftDate: {
      DateForm seen = DateForm::Standard;
      auto day = ParsePacketDate(text, &seen);
      if (day && form && seen == DateForm::DayMonthYear) *form = seen;
      return Day(day);
    }
    case FieldType::ftTime:
      return Day(ParsePacketTime(text));
    case FieldType::ftDateTime:
    case FieldType::ftTimeStamp: {
      DateForm seen = DateForm::Standard;
      auto day = ParsePacketDateTime(text, &seen);
      if (day && form && seen == DateForm::DayMonthYear) *form = seen;
      return Day(day);
    }
    case FieldType::ftDataSet:
      break;
  }
  return std::nullopt;
}

std::string FormatPacketValue(const FieldDef& field, const Cell& cell) {
  std::string text;
  FormatPacketValue(field, cell, text);
  return text;
}

void FormatPacketValue(const FieldDef& field, const Cell& cell, std::string& out) {
  if (const auto* text = std::get_if<std::string>(&cell)) {
    if (GroupOf(field.type) == FieldGroup::Text && field.type != FieldType::ftMemo) {
      out.assign(*text);
      return;
    }
    switch (field.type) {
      case FieldType::ftFixedChar:
      case FieldType::ftFixedWideChar:
      case FieldType::ftGuid:
        out.assign(*text);
        return;
      default: {
        out = EncodeBase64(*text);
        std::erase_if(out, [](char c) { return c == '\r' || c == '\n'; });
        return;
      }
    }
  }
  if (const auto* number = std::get_if<int64_t>(&cell)) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, *number);
    out.assign(buffer, result.ptr);
    return;
  }
  if (const auto* flag = std::get_if<bool>(&cell)) {
    out.assign(*flag ? "TRUE" : "FALSE");
    return;
  }
  if (const auto* number = std::get_if<double>(&cell)) {
    switch (field.type) {
      case FieldType::ftDate:
        out = FormatPacketDate(*number, field.date_form);
        return;
      case FieldType::ftTime:
        out = FormatPacketTime(*number, field.date_form);
        return;
      case FieldType::ftDateTime:
      case FieldType::ftTimeStamp:
        out = FormatPacketDateTime(*number, field.date_form);
        return;
      default: {
        char buffer[64];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, *number);
        out.assign(buffer, result.ptr);
        return;
      }
    }
  }
  out.clear();
}

}  // namespace lumetra::dataset
