// JSONTestSuite's parsing cases through the automation object, as a client
// sends them: each file read as UTF-8 and handed to JSONCreate as a string.
// y_ files give a handle and survive JSONFormat -> JSONCreate -> JSONFormat
// unchanged; n_ files give handle 0 as a 64-bit integer, except those we accept
// on purpose (listed below with the reason); i_ files may go either way but
// must neither crash nor leak. Every handle is freed and the store ends as it began.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "lumetra/automation/lumetra_com.h"
#include "lumetra/json/store.h"

namespace lumetra {
namespace {

namespace fs = std::filesystem;

// n_ cases we accept on purpose, each with its reason. The n_ files that are
// not UTF-8 are not listed: after conversion U+FFFD stands where the bytes are
// broken, and what remains is still not JSON.
const std::map<std::string, std::string> kAcceptedOnPurpose = {
    {"n_string_unescaped_ctrl_char.json", "a raw U+0000 inside a string is taken as itself"},
    {"n_string_unescaped_newline.json", "a raw line feed inside a string is taken as itself"},
    {"n_string_unescaped_tab.json", "a raw tab inside a string is taken as itself"},
};

class QuietReporter : public ErrorReporter {
 public:
  bool Report(const ErrorInfo&) noexcept override { return true; }
};

fs::path SuiteDirectory() { return fs::path(LUMETRA_JSON_TEST_SUITE_DIR); }

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool IsHandle(const Variant& v) { return v.type() == vt::I8 && v.signed_value() != 0; }
bool IsNoHandle(const Variant& v) { return v.type() == vt::I8 && v.signed_value() == 0; }

class JsonTestSuiteTest : public ::testing::Test {
 protected:
  Variant Create(const WideString& text) {
    Variant handle;
    EXPECT_EQ(com_.JSONCreate(text, handle), kOk);
    return handle;
  }
  WideString Format(const Variant& handle) {
    WideString text;
    EXPECT_EQ(com_.JSONFormat(handle, text), kOk);
    return text;
  }
  void Free(const Variant& handle) { EXPECT_EQ(com_.JSONFree(handle), kOk); }

  // Formats the tree, reads the text back and formats again: both texts must match.
  void ExpectRoundTrip(const Variant& handle, const std::string& name) {
    const WideString first = Format(handle);
    const Variant again = Create(first);
    ASSERT_TRUE(IsHandle(again)) << name << ": its own output does not read back: " << ToUtf8(first);
    EXPECT_EQ(Format(again), first) << name;
    Free(again);
  }

  QuietReporter reporter_;
  LumetraCOM com_{reporter_};
};

TEST_F(JsonTestSuiteTest, EveryParsingCase) {
  const fs::path directory = SuiteDirectory();
  ASSERT_TRUE(fs::is_directory(directory)) << "the suite is not at " << directory;
  json::Store& store = json::GlobalStore();
  const size_t roots = store.RootCount();
  const size_t items = json::Store::LiveItemCount();

  int accepted = 0, rejected = 0, indifferent = 0, listed_seen = 0;
  for (const auto& entry : fs::directory_iterator(directory)) {
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() != ".json") continue;
    const Variant handle = Create(FromUtf8(ReadBytes(entry.path())));
    const auto listed = kAcceptedOnPurpose.find(name);
    if (name[0] == 'y' || listed != kAcceptedOnPurpose.end()) {
      EXPECT_TRUE(IsHandle(handle)) << name << (name[0] == 'n' ? ": accepted on purpose, " + listed->second : "");
      if (IsHandle(handle)) ExpectRoundTrip(handle, name);
      name[0] == 'y' ? ++accepted : (++rejected, ++listed_seen);
    } else if (name[0] == 'n') {
      EXPECT_TRUE(IsNoHandle(handle)) << name << " gave a variant of type " << handle.type();
      ++rejected;
    } else {
      EXPECT_TRUE(IsHandle(handle) || IsNoHandle(handle)) << name << " gave a variant of type " << handle.type();
      if (IsHandle(handle)) ExpectRoundTrip(handle, name);
      ++indifferent;
    }
    Free(handle);
    ASSERT_EQ(store.RootCount(), roots) << name;
    ASSERT_EQ(json::Store::LiveItemCount(), items) << name;
  }
  EXPECT_EQ(listed_seen, static_cast<int>(kAcceptedOnPurpose.size())) << "a listed file is missing from the suite";
  EXPECT_GT(accepted, 90);
  EXPECT_GT(rejected, 180);
  EXPECT_GT(indifferent, 20);
  EXPECT_EQ(store.RootCount(), roots);
  EXPECT_EQ(json::Store::LiveItemCount(), items);
}

}  // namespace
}  // namespace lumetra
