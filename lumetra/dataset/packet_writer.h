// Produces the XML data packet (UTF-8) of a level of fields and its records,
// the form packet_reader.h loads: every stored row in its order, a modified
// record as its original row (RowState 1) directly followed by the modified
// row (RowState 8) with all current values, inserted rows 4, deleted rows 2,
// rows whose details alone changed 64; unchanged rows carry no RowState. Each
// level's PARAMS gets CHANGE_LOG triples "row original kind" (1-based row
// positions within the level, original 0 when there is none) in the order
// the changes were made; nested levels count their rows across all masters.
// Fields, PARAMS and their attributes are written back as read, except a
// PARAMS AUTOINCVALUE (TBufDataset's next autoincrement value), raised above
// the highest autoincrement value of its level.
#pragma once

#include <string>
#include <vector>

#include "lumetra/dataset/records.h"

namespace lumetra::dataset {

std::string WritePacket(const Schema& schema, const std::vector<Record>& rows);

}  // namespace lumetra::dataset
