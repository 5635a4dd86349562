// Interoperability with another client-dataset engine: Free Pascal's
// TBufDataset (fcl-db) saves a packet of the simple field types with a change
// of its own, DSToJSON changes one record of it, and TBufDataset loads the
// result and lists its records. The Pascal side is tbufdataset_tool.pas,
// compiled with fpc by the build; without fpc these tests are skipped.
#include <gtest/gtest.h>

#include <ostream>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "lumetra/dataset/ds_to_json.h"

namespace lumetra::dataset {
namespace {

const std::string kTool = LUMETRA_TBUFDATASET_TOOL;

// One folder per process: CTest runs the cases of this file in parallel processes.
std::filesystem::path WorkDir() {
  return std::filesystem::path(::testing::TempDir()) / ("lumetra_tbufdataset-" + std::to_string(getpid()));
}

// Runs the tool; its standard output, lines split, with the exit status last.
std::vector<std::string> RunTool(const std::string& command, const std::filesystem::path& file) {
  const std::string line = "'" + kTool + "' " + command + " '" + file.string() + "' 2>&1";
  FILE* pipe = popen(line.c_str(), "r");
  if (pipe == nullptr) return {"<cannot run the tool>"};
  std::string output;
  char buffer[4096];
  size_t n = 0;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  const int status = pclose(pipe);
  std::vector<std::string> lines;
  std::istringstream in(output);
  for (std::string text; std::getline(in, text);) lines.push_back(text);
  lines.push_back("exit " + std::to_string(status));
  return lines;
}

std::string ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

class TBufDatasetInteropTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (kTool.empty()) return;
    std::filesystem::create_directories(WorkDir());
    written_ = RunTool("write", WorkDir() / "peer.xml");
  }

  static void TearDownTestSuite() {
    std::error_code ignored;
    std::filesystem::remove_all(WorkDir(), ignored);
  }

  void SetUp() override {
    if (kTool.empty()) GTEST_SKIP() << "fpc is not installed (scripts/setup.sh native installs it)";
    ASSERT_EQ(written_, std::vector<std::string>{"exit 0"});
  }

  static std::vector<std::string> written_;
};

std::vector<std::string> TBufDatasetInteropTest::written_;

// What TBufDataset lists for its own packet before any change.
const std::string kAnn =
    " ID=1 NAME=Ann PRICE=12.5 ACTIVE=true BORN=1990-05-17 STAMP=2021-03-04 13:14:15.000 AT=08:30:00.000 SMALL=-5"
    " BIG=12345678901234 CUR=3.1416 TITLE=T1 SEQ=1";
const std::string kBobby =
    " ID=2 NAME=Bobby PRICE=0.25 ACTIVE=false BORN=1985-12-01 STAMP=2020-01-31 00:00:01.000 AT=23:59:59.000"
    " SMALL=7 BIG=-9 CUR=100 TITLE=T2 SEQ=2";
const std::string kCid =
    " ID=3 NAME=Cid PRICE=-10000000000 ACTIVE=true BORN=2001-02-28 STAMP=2019-07-14 00:00:00.000 AT=12:00:00.000"
    " SMALL=32767 BIG=0 CUR=-0.5 TITLE=T3 SEQ=3";

TEST_F(TBufDatasetInteropTest, ItsOwnPacketListsAsSaved) {
  EXPECT_EQ(RunTool("dump", WorkDir() / "peer.xml"),
            (std::vector<std::string>{"unmodified" + kAnn, "modified" + kBobby, "unmodified" + kCid, "changes 1",
                                      "next SEQ=4", "exit 0"}));
}

struct InteropCase {
  std::string title;
  std::u16string op;
  std::u16string key_field;
  Variant key;
  std::u16string json;
  std::vector<std::string> listed;  // what TBufDataset lists for our result
};

std::ostream& operator<<(std::ostream& out, const InteropCase& c) { return out << c.title; }

class TBufDatasetChangeTest : public TBufDatasetInteropTest, public ::testing::WithParamInterface<InteropCase> {};

TEST_P(TBufDatasetChangeTest, LoadsBackWithTheChange) {
  const InteropCase& c = GetParam();
  const std::string packet = ReadFile(WorkDir() / "peer.xml");
  const WideString result = DSToJSON(FromUtf8(packet), c.json, c.key_field, KeyValue::From(c.key), c.op);
  ASSERT_FALSE(result.empty());
  const std::filesystem::path ours = WorkDir() / ("ours_" + c.title + ".xml");
  std::ofstream(ours, std::ios::binary) << ToUtf8(result);
  std::vector<std::string> expected = c.listed;
  expected.push_back("exit 0");
  EXPECT_EQ(RunTool("dump", ours), expected) << ToUtf8(result);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TBufDatasetChangeTest,
    ::testing::Values(
        InteropCase{"ModifyEveryType",
                    u"M",
                    u"ID",
                    Variant::I4(3),
                    uR"({"NAME":"Changed","PRICE":2.75,"ACTIVE":false,"BORN":"2024-02-29",
                        "STAMP":"2024-02-29T08:30:00.250","AT":"17:45:30.125","SMALL":-32768,
                        "BIG":9007199254740993,"CUR":12.3456,"TITLE":"Wide"})",
                    {"unmodified" + kAnn, "modified" + kBobby,
                     "modified ID=3 NAME=Changed PRICE=2.75 ACTIVE=false BORN=2024-02-29"
                     " STAMP=2024-02-29 08:30:00.250 AT=17:45:30.125 SMALL=-32768 BIG=9007199254740993"
                     " CUR=12.3456 TITLE=Wide SEQ=3",
                     "changes 2", "next SEQ=4"}},
        InteropCase{"ModifyTheirModifiedRecord",
                    u"M",
                    u"ID",
                    Variant::I4(2),
                    uR"({"name":"Robert","small":8})",
                    {"unmodified" + kAnn,
                     "modified ID=2 NAME=Robert PRICE=0.25 ACTIVE=false BORN=1985-12-01"
                     " STAMP=2020-01-31 00:00:01.000 AT=23:59:59.000 SMALL=8 BIG=-9 CUR=100 TITLE=T2 SEQ=2",
                     "unmodified" + kCid, "changes 1", "next SEQ=4"}},
        InteropCase{"ModifyByTextKey",
                    u"M",
                    u"NAME",
                    Variant::String(u"Ann"),
                    uR"({"STAMP":null,"BORN":"1/2/1950","ACTIVE":false})",
                    {"modified ID=1 NAME=Ann PRICE=12.5 ACTIVE=false BORN=1950-02-01 STAMP=1899-12-30 00:00:00.000"
                     " AT=08:30:00.000 SMALL=-5 BIG=12345678901234 CUR=3.1416 TITLE=T1 SEQ=1",
                     "modified" + kBobby, "unmodified" + kCid, "changes 2", "next SEQ=4"}},
        InteropCase{"Create",
                    u"C",
                    u"ID",
                    Variant::I4(4),
                    uR"({"NAME":"Dan","PRICE":1e-3,"BORN":"2000-01-01","STAMP":"2000-01-01 23:00"})",
                    {"unmodified" + kAnn, "modified" + kBobby, "unmodified" + kCid,
                     "inserted ID=4 NAME=Dan PRICE=0.001 ACTIVE=<null> BORN=2000-01-01"
                     " STAMP=2000-01-01 23:00:00.000 AT=<null> SMALL=<null> BIG=<null> CUR=<null> TITLE=<null> SEQ=4",
                     "changes 2", "next SEQ=5"}}),
    [](const auto& info) { return info.param.title; });

}  // namespace
}  // namespace lumetra::dataset
