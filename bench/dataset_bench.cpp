// DSToJSON "M" on a packet of many rows x 10 fields of simple types (load,
// locate the last key, write two fields, produce the packet), against Free
// Pascal's TBufDataset loading the same packet, locating the same record,
// writing the same fields and saving it (tbufdataset_peer.pas), in the same
// run. Each side runs in a fresh process (this program started again with
// "ours", or the peer) reading the packet from a file and writing the result
// to a file, so that its wall time and peak resident memory are its own. The
// packet comes from our own writer, in the form TBufDataset reads
// (day-month-year dates). Goals: at least 3x faster than the peer, and time
// linear in the number of rows.
//
// Usage: dataset_bench [--peer PATH] [--rounds N] [--rows N,N,...] [--dir DIR]
//        dataset_bench generate ROWS FILE
//        dataset_bench ours IN OUT KEY
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "process_run.h"
#include "lumetra/dataset/ds_to_json.h"
#include "lumetra/dataset/packet_reader.h"
#include "lumetra/dataset/packet_writer.h"

namespace {

using lumetra::Variant;
using lumetra::dataset::Cell;
using lumetra::dataset::KeyValue;

// Ten fields of the simple types, as TBufDataset describes them.
constexpr char kMetadata[] = R"(<?xml version="1.0" encoding="utf-8"?>
<DATAPACKET Version="2.0"><METADATA><FIELDS>
<FIELD attrname="ID" fieldname="ID" fieldtype="i4"/>
<FIELD attrname="CODE" fieldname="CODE" fieldtype="i8"/>
<FIELD width="30" attrname="NAME" fieldname="NAME" fieldtype="string"/>
<FIELD width="20" attrname="CITY" fieldname="CITY" fieldtype="string"/>
<FIELD attrname="PRICE" fieldname="PRICE" fieldtype="r8"/>
<FIELD subtype="Money" attrname="AMOUNT" fieldname="AMOUNT" fieldtype="r8"/>
<FIELD attrname="QTY" fieldname="QTY" fieldtype="i2"/>
<FIELD attrname="ACTIVE" fieldname="ACTIVE" fieldtype="boolean"/>
<FIELD attrname="BORN" fieldname="BORN" fieldtype="date"/>
<FIELD attrname="STAMP" fieldname="STAMP" fieldtype="datetime"/>
</FIELDS><PARAMS/></METADATA><ROWDATA/></DATAPACKET>)";

constexpr const char* kCities[] = {"Lisbon", "Oslo", "Tallinn", "Valletta", "Ljubljana", "Vilnius", "Riga"};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

bool WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  return static_cast<bool>(out);
}

int Generate(long rows, const std::string& path) {
  auto packet = lumetra::dataset::ReadPacket(kMetadata);
  packet.rows.reserve(static_cast<size_t>(rows));
  for (long i = 1; i <= rows; ++i) {
    lumetra::dataset::Record record;
    record.values = {
        Cell{int64_t{i}},
        Cell{int64_t{i} * 1000003},
        Cell{"Customer number " + std::to_string(i)},
        Cell{std::string(kCities[i % 7])},
        Cell{static_cast<double>(i % 10007) / 8.0},
        Cell{static_cast<double>(i % 1000) + 0.25},
        Cell{int64_t{i % 30000}},
        Cell{i % 3 != 0},
        Cell{static_cast<double>(20000 + i % 20000)},
        Cell{static_cast<double>(40000 + i % 5000) + static_cast<double>(i % 86400) / 86400.0},
    };
    packet.rows.push_back(std::move(record));
  }
  return WriteFile(path, lumetra::dataset::WritePacket(*packet.schema, packet.rows)) ? 0 : 1;
}

int Ours(const std::string& in, const std::string& out, long key) {
  const lumetra::WideString xml = lumetra::FromUtf8(ReadFile(in));
  const lumetra::WideString result =
      lumetra::dataset::DSToJSON(xml, u"{\"NAME\":\"changed\",\"PRICE\":1.25}", u"ID",
                                 KeyValue::From(Variant::I4(static_cast<int32_t>(key))), u"M");
  if (result.empty()) return 1;
  return WriteFile(out, lumetra::ToUtf8(result)) ? 0 : 1;
}

using bench::Measure;
using bench::Run;

Run Median(std::vector<Run> runs) {
  std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.seconds < b.seconds; });
  Run median = runs[runs.size() / 2];
  for (const Run& run : runs) {
    median.peak_kib = std::max(median.peak_kib, run.peak_kib);
    median.ok = median.ok && run.ok;
  }
  return median;
}

// The changed record of an output: the row with the key holds the new values.
bool Changed(const std::string& path, long key) {
  try {
    const auto packet = lumetra::dataset::ReadPacket(ReadFile(path));
    for (const auto& record : packet.rows) {
      if (record.values[0] == Cell{int64_t{key}}) {
        return record.status == lumetra::dataset::RowStatus::Modified &&
               record.values[2] == Cell{std::string("changed")} && record.values[4] == Cell{1.25};
      }
    }
  } catch (const std::exception&) {
  }
  return false;
}

std::vector<long> ParseRows(const std::string& text) {
  std::vector<long> rows;
  std::stringstream in(text);
  for (std::string item; std::getline(in, item, ',');) rows.push_back(std::stol(item));
  return rows;
}

int Compare(const std::string& self, const std::string& peer, int rounds, const std::vector<long>& sizes,
            const std::string& dir) {
  std::filesystem::create_directories(dir);
  const bool with_peer = !peer.empty() && access(peer.c_str(), X_OK) == 0;
  if (!with_peer) std::printf("(no TBufDataset peer at '%s': our side only)\n", peer.c_str());
  std::printf(
      "DSToJSON \"M\" (load, locate the last key, write 2 fields, produce), 10 fields; median wall time\n"
      "of %d runs per side (ms), its CPU time (user+system, ms), highest peak resident memory (MiB)\n",
      rounds);
  std::printf("%8s %10s %8s %11s %8s %8s %8s %8s %9s %9s\n", "rows", "packet", "ours ms", "ours us/row", "peer ms",
              "speedup", "ours cpu", "peer cpu", "ours MiB", "peer MiB");
  bool all_ok = true;
  for (const long rows : sizes) {
    const std::string packet = dir + "/packet_" + std::to_string(rows) + ".xml";
    if (Generate(rows, packet) != 0) return 1;
    const std::string key = std::to_string(rows);
    std::vector<Run> ours;
    std::vector<Run> theirs;
    for (int r = 0; r < rounds; ++r) {
      ours.push_back(Measure({self, "ours", packet, dir + "/ours.xml", key}));
      if (with_peer) theirs.push_back(Measure({peer, packet, dir + "/peer.xml", key}));
    }
    const Run a = Median(ours);
    const bool ours_ok = a.ok && Changed(dir + "/ours.xml", rows);
    all_ok = all_ok && ours_ok;
    const double packet_mib = static_cast<double>(std::filesystem::file_size(packet)) / 1048576.0;
    char packet_text[32];
    std::snprintf(packet_text, sizeof packet_text, "%.1f MiB", packet_mib);
    if (with_peer) {
      const Run b = Median(theirs);
      const bool peer_ok = b.ok && Changed(dir + "/peer.xml", rows);
      all_ok = all_ok && peer_ok;
      std::printf("%8ld %10s %8.0f %11.2f %8.0f %7.1fx %8.0f %8.0f %9.1f %9.1f%s\n", rows, packet_text, a.seconds * 1e3,
                  a.seconds * 1e6 / static_cast<double>(rows), b.seconds * 1e3, b.seconds / a.seconds,
                  a.cpu_seconds * 1e3, b.cpu_seconds * 1e3, static_cast<double>(a.peak_kib) / 1024.0,
                  static_cast<double>(b.peak_kib) / 1024.0, ours_ok && peer_ok ? "" : "  (a side failed)");
    } else {
      std::printf("%8ld %10s %8.0f %11.2f %8s %8s %8.0f %8s %9.1f %9s%s\n", rows, packet_text, a.seconds * 1e3,
                  a.seconds * 1e6 / static_cast<double>(rows), "-", "-", a.cpu_seconds * 1e3, "-",
                  static_cast<double>(a.peak_kib) / 1024.0, "-", ours_ok ? "" : "  (failed)");
    }
  }
  return all_ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 3 && args[0] == "generate") return Generate(std::stol(args[1]), args[2]);
  if (args.size() == 4 && args[0] == "ours") return Ours(args[1], args[2], std::stol(args[3]));

  std::string peer = LUMETRA_TBUFDATASET_PEER;
  int rounds = 3;
  std::vector<long> sizes = {25000, 50000, 100000};
  std::string dir = (std::filesystem::temp_directory_path() / "lumetra_dataset_bench").string();
  for (size_t i = 0; i + 1 < args.size(); i += 2) {
    if (args[i] == "--peer")
      peer = args[i + 1];
    else if (args[i] == "--rounds")
      rounds = std::max(1, std::stoi(args[i + 1]));
    else if (args[i] == "--rows")
      sizes = ParseRows(args[i + 1]);
    else if (args[i] == "--dir")
      dir = args[i + 1];
    else {
      std::fprintf(stderr, "usage: dataset_bench [--peer PATH] [--rounds N] [--rows N,N,...] [--dir DIR]\n");
      return 2;
    }
  }
  if (args.size() % 2 != 0) {
    std::fprintf(stderr, "usage: dataset_bench [--peer PATH] [--rounds N] [--rows N,N,...] [--dir DIR]\n");
    return 2;
  }
  const std::string self = std::filesystem::canonical("/proc/self/exe").string();
  return Compare(self, peer, rounds, sizes, dir);
}
