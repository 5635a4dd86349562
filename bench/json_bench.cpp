// JSONCreate and JSONFormat of the LumetraCOM object against RapidJSON (DOM
// parse, Writer) and nlohmann-json on the nativejson-benchmark documents; the
// memory each tree takes per item; and a read through a handle against
// RapidJSON's Pointer lookup, with the tree operation alone beside it so the
// cost of the call through the object shows; and freeing the elements of a
// large array one by one, as a script's loop of JSONFree does. Throughput is always counted in bytes of the
// UTF-8 file, whatever each library reads or writes, so the figures compare:
// our client hands us the text as UTF-16 (a BSTR) and gets UTF-16 back, the
// peers read and write the UTF-8 bytes.
//
// Each benchmark runs several times (--benchmark_repetitions, 5 unless given);
// after the usual report a table gives the best and the median MB/s of each
// library and our ratio to each peer, then the bytes per item and the read.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <rapidjson/document.h>
#include <rapidjson/pointer.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>
#include <string>
#include <vector>

#include "lumetra/automation/lumetra_com.h"
#include "lumetra/json/item_pool.h"
#include "lumetra/json/key_path.h"
#include "lumetra/json/store.h"

namespace {

using lumetra::LumetraCOM;
using lumetra::Variant;
using lumetra::WideString;

const char* const kDocuments[] = {"canada.json", "citm_catalog.json", "twitter.json"};

// The read: three steps from the root of twitter.json, to a string.
constexpr char16_t kKeyPath[] = u"statuses[0].id_str";
constexpr char kPointer[] = "/statuses/0/id_str";

// The array whose elements are freed one by one.
constexpr int kFreedElements = 100'000;

class IgnoringReporter : public lumetra::ErrorReporter {
 public:
  bool Report(const lumetra::ErrorInfo&) noexcept override { return true; }
};

IgnoringReporter g_reporter;

std::string LoadBytes(const std::string& name) {
  const std::string path = std::string(LUMETRA_BENCH_DATA_DIR) + "/" + name;
  std::ifstream in(path, std::ios::binary);
  return std::string{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// One document in the two forms the clients hand over.
struct Document {
  std::string utf8;
  WideString utf16;
};

const Document& Load(const std::string& name) {
  static std::map<std::string, Document> cache;
  auto found = cache.find(name);
  if (found == cache.end()) {
    Document document;
    document.utf8 = LoadBytes(name);
    document.utf16 = lumetra::FromUtf8(document.utf8);
    found = cache.emplace(name, std::move(document)).first;
  }
  return found->second;
}

void CountBytes(benchmark::State& state, const Document& document) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(document.utf8.size()));
}

// A root handle for the whole benchmark; freed when it ends.
class ScopedRoot {
 public:
  ScopedRoot(LumetraCOM& com, const WideString& text) : com_(com) { com_.JSONCreate(text, handle_); }
  ~ScopedRoot() { com_.JSONFree(handle_); }
  ScopedRoot(const ScopedRoot&) = delete;
  ScopedRoot& operator=(const ScopedRoot&) = delete;
  const Variant& handle() const { return handle_; }
  bool ok() const { return handle_.type() == lumetra::vt::I8 && handle_.signed_value() != 0; }

 private:
  LumetraCOM& com_;
  Variant handle_;
};

// --- Lumetra, through the object as a client calls it ---

void BM_Lumetra_Parse(benchmark::State& state, const char* name) {
  const Document& document = Load(name);
  LumetraCOM com(g_reporter);
  for (auto _ : state) {
    Variant handle;
    com.JSONCreate(document.utf16, handle);
    if (handle.signed_value() == 0) {
      state.SkipWithError("JSONCreate failed");
      break;
    }
    com.JSONFree(handle);
  }
  CountBytes(state, document);
}

void BM_Lumetra_Format(benchmark::State& state, const char* name) {
  const Document& document = Load(name);
  LumetraCOM com(g_reporter);
  ScopedRoot root(com, document.utf16);
  if (!root.ok()) {
    state.SkipWithError("JSONCreate failed");
    return;
  }
  for (auto _ : state) {
    WideString text;
    com.JSONFormat(root.handle(), text);
    benchmark::DoNotOptimize(text.data());
  }
  CountBytes(state, document);
}

// --- RapidJSON: DOM with its default pool allocator, Writer into a StringBuffer ---

void BM_RapidJSON_Parse(benchmark::State& state, const char* name) {
  const Document& document = Load(name);
  for (auto _ : state) {
    rapidjson::Document dom;
    dom.Parse(document.utf8.data(), document.utf8.size());
    if (dom.HasParseError()) {
      state.SkipWithError("RapidJSON parse failed");
      break;
    }
    benchmark::DoNotOptimize(&dom);
  }
  CountBytes(state, document);
}

void BM_RapidJSON_Format(benchmark::State& state, const char* name) {
  const Document& document = Load(name);
  rapidjson::Document dom;
  dom.Parse(document.utf8.data(), document.utf8.size());
  for (auto _ : state) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    dom.Accept(writer);
    benchmark::DoNotOptimize(buffer.GetString());
  }
  CountBytes(state, document);
}

// --- nlohmann-json ---

void BM_Nlohmann_Parse(benchmark::State& state, const char* name) {
  const Document& document = Load(name);
  for (auto _ : state) {
    nlohmann::json dom = nlohmann::json::parse(document.utf8);
    benchmark::DoNotOptimize(&dom);
  }
  CountBytes(state, document);
}

void BM_Nlohmann_Format(benchmark::State& state, const char* name) {
  const Document& document = Load(name);
  const nlohmann::json dom = nlohmann::json::parse(document.utf8);
  for (auto _ : state) {
    std::string text = dom.dump();
    benchmark::DoNotOptimize(text.data());
  }
  CountBytes(state, document);
}

// --- The read through a handle ---

void BM_Lumetra_Read(benchmark::State& state) {
  LumetraCOM com(g_reporter);
  ScopedRoot root(com, Load("twitter.json").utf16);
  for (auto _ : state) {
    Variant value;
    com.JSONGetNodeValue(root.handle(), kKeyPath, value);
    benchmark::DoNotOptimize(value.string_value().data());
  }
}

// The tree operation of the read alone: the key path from the root item and
// the string copied out, without the object (no handle or key conversion, no
// guard, no result variant).
void BM_Lumetra_ReadTree(benchmark::State& state) {
  LumetraCOM com(g_reporter);
  ScopedRoot root(com, Load("twitter.json").utf16);
  const auto start =
      lumetra::json::As<lumetra::json::TJSONValue>(lumetra::json::GlobalStore().Resolve(root.handle().signed_value()));
  const lumetra::WideStringView path = kKeyPath;
  for (auto _ : state) {
    const auto found = lumetra::json::As<lumetra::json::TJSONString>(lumetra::json::FindByKeyPath(start, path));
    WideString value = found.TextAsWide();
    benchmark::DoNotOptimize(value.data());
  }
}

// A script's loop that empties an array: take the handle of element 0, free
// it, until none is left. Only the loop is timed.
void BM_Lumetra_FreeOneByOne(benchmark::State& state) {
  LumetraCOM com(g_reporter);
  WideString text = u"[";
  for (int i = 0; i < kFreedElements; ++i) text += i == 0 ? u"0" : u",0";
  text += u"]";
  for (auto _ : state) {
    state.PauseTiming();
    Variant root;
    com.JSONCreate(text, root);
    state.ResumeTiming();
    for (int i = 0; i < kFreedElements; ++i) {
      Variant element;
      com.JSONGetArrayElement(root, 0, element);
      com.JSONFree(element);
    }
    state.PauseTiming();
    int32_t left = -1;
    com.JSONArrayCount(root, left);
    com.JSONFree(root);
    state.ResumeTiming();
    if (left != 0) {
      state.SkipWithError("elements left after the loop");
      break;
    }
  }
}

// The pointer is parsed on every read, as the key path is.
void BM_RapidJSON_Read(benchmark::State& state) {
  rapidjson::Document dom;
  const std::string& text = Load("twitter.json").utf8;
  dom.Parse(text.data(), text.size());
  for (auto _ : state) {
    const rapidjson::Value* found = rapidjson::Pointer(kPointer).Get(dom);
    std::string value(found->GetString(), found->GetStringLength());
    benchmark::DoNotOptimize(value.data());
  }
}

void RegisterAll() {
  struct Library {
    const char* name;
    void (*parse)(benchmark::State&, const char*);
    void (*format)(benchmark::State&, const char*);
  };
  const Library libraries[] = {{"Lumetra", BM_Lumetra_Parse, BM_Lumetra_Format},
                               {"RapidJSON", BM_RapidJSON_Parse, BM_RapidJSON_Format},
                               {"nlohmann", BM_Nlohmann_Parse, BM_Nlohmann_Format}};
  for (const char* document : kDocuments) {
    for (const Library& library : libraries) {
      benchmark::RegisterBenchmark((std::string("Parse/") + library.name + "/" + document).c_str(), library.parse,
                                   document)
          ->Unit(benchmark::kMillisecond);
    }
    for (const Library& library : libraries) {
      benchmark::RegisterBenchmark((std::string("Format/") + library.name + "/" + document).c_str(), library.format,
                                   document)
          ->Unit(benchmark::kMillisecond);
    }
  }
  benchmark::RegisterBenchmark("Read/Lumetra/twitter.json", BM_Lumetra_Read);
  benchmark::RegisterBenchmark("Read/RapidJSON/twitter.json", BM_RapidJSON_Read);
  benchmark::RegisterBenchmark("Read/LumetraTree/twitter.json", BM_Lumetra_ReadTree);
  benchmark::RegisterBenchmark("Free/Lumetra/array_elements", BM_Lumetra_FreeOneByOne)->Unit(benchmark::kMillisecond);
}

// --- The table after the run ---

struct Samples {
  std::vector<double> values;  // MB/s, or ns per read
  double Best(bool higher_is_better) const {
    return higher_is_better ? *std::max_element(values.begin(), values.end())
                            : *std::min_element(values.begin(), values.end());
  }
  double Median() const {
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    return sorted[sorted.size() / 2];
  }
};

// Keeps every repetition's figure, by benchmark name, besides the usual console output.
class CollectingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      auto bytes = run.counters.find("bytes_per_second");
      if (bytes != run.counters.end()) {
        samples[run.run_name.function_name].values.push_back(bytes->second.value / 1e6);
      } else {
        samples[run.run_name.function_name].values.push_back(run.GetAdjustedRealTime());  // ns
      }
    }
  }
  std::map<std::string, Samples> samples;
};

void PrintThroughput(const std::map<std::string, Samples>& samples) {
  std::printf("\nMB/s of the UTF-8 file, best (median) of the repetitions; ratio = Lumetra / peer (best, median)\n");
  std::printf("%-8s %-18s %17s %17s %17s %15s %15s\n", "", "document", "Lumetra", "RapidJSON", "nlohmann",
              "vs RapidJSON", "vs nlohmann");
  for (const char* operation : {"Parse", "Format"}) {
    for (const char* document : kDocuments) {
      auto find = [&](const char* library) -> const Samples* {
        auto it = samples.find(std::string(operation) + "/" + library + "/" + document);
        return it == samples.end() || it->second.values.empty() ? nullptr : &it->second;
      };
      const Samples* ours = find("Lumetra");
      const Samples* rapid = find("RapidJSON");
      const Samples* nlohmann = find("nlohmann");
      if (!ours) continue;
      auto figure = [](const Samples* s) {
        char text[32] = "-";
        if (s) std::snprintf(text, sizeof text, "%.0f (%.0f)", s->Best(true), s->Median());
        return std::string(text);
      };
      auto ratio = [ours](const Samples* s) {
        char text[32] = "-";
        if (s)
          std::snprintf(text, sizeof text, "%.2f (%.2f)", ours->Best(true) / s->Best(true),
                        ours->Median() / s->Median());
        return std::string(text);
      };
      std::printf("%-8s %-18s %17s %17s %17s %15s %15s\n", operation, document, figure(ours).c_str(),
                  figure(rapid).c_str(), figure(nlohmann).c_str(), ratio(rapid).c_str(), ratio(nlohmann).c_str());
    }
  }
  auto ours = samples.find("Read/Lumetra/twitter.json");
  auto rapid = samples.find("Read/RapidJSON/twitter.json");
  if (ours != samples.end() && rapid != samples.end()) {
    std::printf(
        "\nRead of %s: JSONGetNodeValue %.0f ns (median %.0f), RapidJSON Pointer + copy %.0f ns (median %.0f): "
        "ratio %.2f (median %.2f)\n",
        lumetra::ToUtf8(kKeyPath).c_str(), ours->second.Best(false), ours->second.Median(), rapid->second.Best(false),
        rapid->second.Median(), ours->second.Best(false) / rapid->second.Best(false),
        ours->second.Median() / rapid->second.Median());
    auto tree = samples.find("Read/LumetraTree/twitter.json");
    if (tree != samples.end()) {
      std::printf("  of which the tree operation alone %.0f ns (median %.0f); the call through the object %.0f ns\n",
                  tree->second.Best(false), tree->second.Median(), ours->second.Best(false) - tree->second.Best(false));
    }
  }
  auto freed = samples.find("Free/Lumetra/array_elements");
  if (freed != samples.end()) {
    std::printf(
        "\nFreeing %d array elements one by one (JSONGetArrayElement 0, JSONFree): %.1f ms (median %.1f), "
        "%.0f ns per element\n",
        kFreedElements, freed->second.Best(false), freed->second.Median(),
        freed->second.Best(false) * 1e6 / kFreedElements);
  }
}

// --- Memory per item: heap bytes held by the tree ---
// RapidJSON: the growth of the heap in use (mallinfo2) while the document is
// held. Lumetra: the pool blocks the tree holds (size-class rounding
// included), plus the growth of the heap in use apart from new pool slabs
// (blocks above the pooled sizes, the store's tables). The pool keeps slabs
// for reuse, so its slabs would not show as heap growth.

size_t HeapInUse() { return mallinfo2().uordblks; }

struct LumetraMemory {
  size_t heap = HeapInUse();
  size_t pooled = lumetra::json::ItemMemory().PooledBytesInUse();
  size_t slabs = lumetra::json::ItemMemory().SlabBytesHeld();

  // Bytes taken since `before` was recorded.
  static size_t Since(const LumetraMemory& before) {
    const LumetraMemory now;
    return (now.pooled - before.pooled) + (now.heap - before.heap) - (now.slabs - before.slabs);
  }
};

// Values plus object members: the items of our store (a member is an item
// holding its key); RapidJSON stores a member as a name value and a value.
size_t CountItems(const rapidjson::Value& value) {
  size_t count = 1;
  if (value.IsObject()) {
    for (const auto& member : value.GetObject()) count += 1 + CountItems(member.value);
  } else if (value.IsArray()) {
    for (const auto& element : value.GetArray()) count += CountItems(element);
  }
  return count;
}

void PrintMemory() {
  std::printf("\nHeap bytes per item (values + object members) while the tree is held\n");
  std::printf("%-18s %10s %12s %12s %8s\n", "document", "items", "Lumetra", "RapidJSON", "ratio");
  LumetraCOM com(g_reporter);
  for (const char* name : kDocuments) {
    const Document& document = Load(name);
    size_t items = 0;
    {
      rapidjson::Document counted;
      counted.Parse(document.utf8.data(), document.utf8.size());
      items = CountItems(counted);
    }
    const LumetraMemory before_ours;
    Variant handle;
    com.JSONCreate(document.utf16, handle);
    const double ours = static_cast<double>(LumetraMemory::Since(before_ours)) / static_cast<double>(items);
    com.JSONFree(handle);

    malloc_trim(0);
    const size_t before_rapid = HeapInUse();
    double rapid = 0;
    {
      rapidjson::Document dom;
      dom.Parse(document.utf8.data(), document.utf8.size());
      rapid = static_cast<double>(HeapInUse() - before_rapid) / static_cast<double>(items);
    }
    std::printf("%-18s %10zu %12.1f %12.1f %8.2f\n", name, items, ours, rapid, ours / rapid);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> args(argv, argv + argc);
  std::string repetitions = "--benchmark_repetitions=5";
  const bool has_repetitions = std::any_of(args.begin(), args.end(), [](const char* arg) {
    return std::string(arg).rfind("--benchmark_repetitions", 0) == 0;
  });
  if (!has_repetitions) args.push_back(repetitions.data());
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
  RegisterAll();
  CollectingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintThroughput(reporter.samples);
  PrintMemory();
  benchmark::Shutdown();
  return 0;
}
