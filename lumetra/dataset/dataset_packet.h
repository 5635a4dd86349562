// Loading a data packet into a dataset and producing the packet of a dataset,
// on UTF-16 text. Loading empty text leaves the dataset closed; any other text
// is handed to the packet reader as UTF-8 and opens the dataset in browse
// state with the first record current (a rejected packet throws
// lumetra::Error). Producing first completes a record still being edited or
// inserted (posted when a field of it was written, dropped otherwise), then
// writes the packet with its change log and strips characters at or below
// U+0020 from both ends; a closed dataset produces the empty string.
#pragma once

#include "lumetra/automation/values/wide_string.h"
#include "lumetra/dataset/dataset.h"

namespace lumetra::dataset {

void LoadPacket(Dataset& dataset, WideStringView xml);
WideString ProducePacket(Dataset& dataset);

}  // namespace lumetra::dataset
