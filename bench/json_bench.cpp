// Reading and writing the nativejson-benchmark documents as UTF-16.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "lumetra/json/reader.h"
#include "lumetra/json/writer.h"

namespace {

using lumetra::WideString;

WideString LoadDocument(const std::string& name) {
  const char* root = std::getenv("LUMETRA_TESTDATA");
  const std::string path = std::string(root ? root : LUMETRA_TESTDATA_DIR) + "/json/bench/" + name;
  std::ifstream in(path, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  return lumetra::FromUtf8(bytes);
}

void BM_Parse(benchmark::State& state, const std::string& name) {
  const WideString text = LoadDocument(name);
  if (text.empty() || !lumetra::json::ParseJSON(text)) {
    state.SkipWithError(("cannot read " + name).c_str());
    return;
  }
  for (auto _ : state) {
    auto value = lumetra::json::ParseJSON(text);
    benchmark::DoNotOptimize(value.get());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size() * 2));
}

void BM_Format(benchmark::State& state, const std::string& name) {
  const auto value = lumetra::json::ParseJSON(LoadDocument(name));
  if (!value) {
    state.SkipWithError(("cannot read " + name).c_str());
    return;
  }
  size_t written = 0;
  for (auto _ : state) {
    const WideString text = lumetra::json::FormatJSON(*value);
    written = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(written * 2));
}

BENCHMARK_CAPTURE(BM_Parse, canada, std::string("canada.json"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Parse, citm_catalog, std::string("citm_catalog.json"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Parse, twitter, std::string("twitter.json"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Format, canada, std::string("canada.json"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Format, citm_catalog, std::string("citm_catalog.json"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Format, twitter, std::string("twitter.json"))->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
