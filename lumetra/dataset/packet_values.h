// Field values as the data packet writes them: text as it is, integers in
// decimal, floating types with "." and the shortest digits that read back the
// same double, booleans "TRUE"/"FALSE", dates "yyyymmdd", times "hh:nn:ssmmm",
// date-times "yyyymmddThh:nn:ssmmm" (or in the day-month-year form of the
// field, date_time.h), blobs (bin.hex) in Base64. A null value has no
// attribute at all and never reaches these functions.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "lumetra/dataset/records.h"

namespace lumetra::dataset {

// nullopt when the text is not a value of the field's type (or out of its
// range). Dates and date-times are read in either form; `form` (when given)
// is set to DayMonthYear when the text was in that form.
std::optional<Cell> ParsePacketValue(const FieldDef& field, std::string_view text, DateForm* form = nullptr);

// The attribute text of a non-null cell.
std::string FormatPacketValue(const FieldDef& field, const Cell& cell);
// The same into `out` (replacing its content, reusing its storage).
void FormatPacketValue(const FieldDef& field, const Cell& cell, std::string& out);

}  // namespace lumetra::dataset
