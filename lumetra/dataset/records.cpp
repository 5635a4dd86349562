#include "lumetra/dataset/records.h"

#include "lumetra/dataset/field_names.h"

namespace lumetra::dataset {

int Schema::IndexOf(WideStringView name) const {
  const WideString lower = LowerName(name);
  for (size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].lower_name == lower) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace lumetra::dataset
