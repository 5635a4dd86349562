#include "lumetra/dataset/dataset_packet.h"

#include "lumetra/dataset/packet_reader.h"
#include "lumetra/dataset/packet_writer.h"

namespace lumetra::dataset {

void LoadPacket(Dataset& dataset, WideStringView xml) {
  if (xml.empty()) return;
  LoadedPacket packet = ReadPacket(ToUtf8(xml));
  dataset.Open(std::move(packet.schema), std::move(packet.rows));
}

WideString ProducePacket(Dataset& dataset) {
  if (!dataset.active()) return WideString();
  dataset.CompletePending();
  const std::string utf8 = WritePacket(dataset.schema(), dataset.rows());
  size_t begin = 0;
  size_t end = utf8.size();
  while (begin < end && static_cast<unsigned char>(utf8[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(utf8[end - 1]) <= ' ') --end;
  return FromUtf8(std::string_view(utf8).substr(begin, end - begin));
}

}  // namespace lumetra::dataset
