// Loads an XML data packet (UTF-8 text) into a dataset: root DATAPACKET
// Version="2.0", METADATA with FIELDS/FIELD and PARAMS, ROWDATA with one ROW
// per stored row, each value an attribute named after its field (null: no
// attribute), detail rows as <field><ROWfield .../></field> inside the ROW.
// RowState (absent or 0 unchanged, 1 original, 2 deleted, 4 inserted,
// 8 modified right after its original, 64 details updated) and the
// CHANGE_LOG triples of each level rebuild the change log. The text is read
// as a stream: only one ROW at a time is held as a tree.
// A packet that is not well formed XML or not a valid data packet throws
// lumetra::Error with a message naming what is wrong and where.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "lumetra/dataset/records.h"

namespace lumetra::dataset {

struct LoadedPacket {
  std::unique_ptr<Schema> schema;
  std::vector<Record> rows;
};

LoadedPacket ReadPacket(std::string_view utf8);

}  // namespace lumetra::dataset
