#include "lumetra/dataset/ds_to_json.h"

#include <string>

#include "lumetra/automation/values/errors.h"
#include "lumetra/dataset/dataset.h"
#include "lumetra/dataset/dataset_packet.h"
#include "lumetra/dataset/json_apply.h"

namespace lumetra::dataset {
namespace {

WideStringView Trim(WideStringView text) {
  while (!text.empty() && text.front() <= u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() <= u' ') text.remove_suffix(1);
  return text;
}

// Makes the record with the key current; the current record stays when none matches.
void LocateKey(Dataset& dataset, WideStringView key_fields, const KeyValue& key) {
  std::vector<int> fields;
  size_t start = 0;
  while (true) {
    const size_t end = key_fields.find(u';', start);
    fields.push_back(dataset.FieldIndex(Trim(key_fields.substr(start, end - start))));
    if (end == WideStringView::npos) break;
    start = end + 1;
  }
  std::vector<Variant> values;
  if (key.elements) {
    if (key.elements->size() < fields.size()) throw Error("The key value holds fewer values than there are key fields");
    values.assign(key.elements->begin(), key.elements->begin() + static_cast<std::ptrdiff_t>(fields.size()));
  } else {
    if (fields.size() > 1) throw Error("Several key fields need an array of key values");
    values.push_back(key.value);
  }
  dataset.Locate(fields, values);
}

}  // namespace

KeyValue KeyValue::From(const Variant& value) {
  KeyValue key;
  key.value = value;
  const Variant& v = value.deref();
  if ((v.type() & vt::Array) != 0) key.elements = v.array_elements();
  return key;
}

WideString DSToJSON(WideStringView iXML, WideStringView iJSON, WideStringView iKeyField, const KeyValue& iKeyValue,
                    WideStringView iTypeOper) {
  Dataset dataset;
  LoadPacket(dataset, iXML);
  try {
    if (iTypeOper == u"C") {
      dataset.Append();
      dataset.SetValue(dataset.FieldIndex(iKeyField), iKeyValue.value);
    } else if (iTypeOper == u"M") {
      LocateKey(dataset, iKeyField, iKeyValue);
      dataset.Edit();
    } else if (iTypeOper == u"D") {
      LocateKey(dataset, iKeyField, iKeyValue);
      dataset.Delete();
      return WideString();
    }
    try {
      ApplyJson(dataset, iJSON);
    } catch (...) {
      // A failure while applying ends the application only.
    }
    dataset.Post();
    return ProducePacket(dataset);
  } catch (...) {
    return WideString();
  }
}

}  // namespace lumetra::dataset
