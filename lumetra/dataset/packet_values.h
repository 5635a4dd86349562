// Field values as the data packet writes them: text as it is, integers in
// decimal, floating types with "." and the shortest digits that read back the
// same double, booleans "TRUE"/"FALSE", dates "yyyymmdd", times "hh:nn:ssmmm",
// date-times "yyyymmddThh:nn:ssmmm", blobs (bin.hex) in Base64. A null value
// has no attribute at all and never reaches these functions.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "lumetra/dataset/records.h"

namespace lumetra::dataset {

// nullopt when the text is not a value of the field's type (or out of its range).
std::optional<Cell> ParsePacketValue(const FieldDef& field, std::string_view text);

// The attribute text of a non-null cell.
std::string FormatPacketValue(const FieldDef& field, const Cell& cell);

}  // namespace lumetra::dataset
