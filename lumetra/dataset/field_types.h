// Field data types of a dataset, the group that decides how a JSON value is
// written into a field of the type, and the mapping between the types and the
// fieldtype/SUBTYPE attributes of the XML data packet. Every packet type maps
// onto one data type and back onto the same attributes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumetra::dataset {

enum class FieldType {
  ftString,
  ftFixedChar,
  ftWideString,
  ftFixedWideChar,
  ftGuid,
  ftMemo,
  ftWideMemo,
  ftBlob,
  ftGraphic,
  ftFmtMemo,
  ftTypedBinary,
  ftBytes,
  ftShortint,
  ftSmallint,
  ftInteger,
  ftAutoInc,
  ftLargeint,
  ftByte,
  ftWord,
  ftLongWord,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftFMTBcd,
  ftBoolean,
  ftDate,
  ftTime,
  ftDateTime,
  ftTimeStamp,
  ftDataSet,
};

enum class FieldGroup { Text, Integer, Boolean, Floating, DateTime, General };

// How DSToJSON writes a JSON value into a field of the type.
FieldGroup GroupOf(FieldType type);

// The enumerator name ("ftString"), for messages and documentation.
std::string_view FieldTypeName(FieldType type);

// Types whose fields can serve as locate keys.
bool IsKeyType(FieldType type);

// The data type of a packet field; nullopt for a fieldtype we do not know.
// Known fieldtypes with an unknown SUBTYPE map onto their plain type. Both
// are compared in any letter case (TBufDataset writes "datetime").
std::optional<FieldType> FieldTypeFromPacket(std::string_view fieldtype, std::string_view subtype);

// The fieldtype attribute written for a data type.
std::string_view PacketFieldType(FieldType type);
// The SUBTYPE written for a data type; empty when none.
std::string_view PacketSubtype(FieldType type);

// Allowed range of an integer data type (also ftAutoInc, ftLargeint, ftByte).
struct IntegerRange {
  int64_t min;
  int64_t max;
};
std::optional<IntegerRange> RangeOf(FieldType type);

}  // namespace lumetra::dataset
