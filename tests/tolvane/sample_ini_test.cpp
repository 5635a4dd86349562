// The commented Tolvane.ini shipped in the packages (packaging/tolvane.ini):
// read as the service reads it, with the CR LF line ends it is shipped with,
// it gives the documented example values, and it sets no key the service
// does not read.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "temp_folder.h"
#include "tolvane/config_adm.h"

namespace tolvane {
namespace {

using testing::TempFolder;
using testing::WriteFile;

std::string SampleText() {
  std::ifstream in(TOLVANE_SAMPLE_INI, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string WithCrLf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

TEST(SampleIniTest, GivesTheExampleValuesWithCrLfLineEnds) {
  const std::string text = SampleText();
  ASSERT_FALSE(text.empty()) << TOLVANE_SAMPLE_INI;
  TempFolder folder;
  WriteFile(folder / "Tolvane.ini", WithCrLf(text));
  TKorConfig store(folder / "Tolvane.exe");
  store.OpenFile("Tolvane.ini");
  store.SetSection("Tolvane");

  EXPECT_EQ(store.ReadString("Instancia", "?"), "1");
  EXPECT_EQ(store.ReadString("KorAsyncProcess", "?"), "worker.exe");
  EXPECT_EQ(store.ReadString("LogFileName", "?"), "logs\\worker.log");
  EXPECT_EQ(store.ReadInteger("MaxTimeForProcess", -1), 15);
}

TEST(SampleIniTest, SetsOnlyKeysTheServiceReads) {
  std::istringstream lines(SampleText());
  const std::regex entry(R"(^\s*([^;\s][^=]*?)\s*=)");
  int entries = 0;
  for (std::string line; std::getline(lines, line);) {
    std::smatch match;
    if (!std::regex_search(line, match, entry)) continue;
    ++entries;
    const std::string key = match[1];
    EXPECT_TRUE(key == "Instancia" || key == "KorAsyncProcess" || key == "LogFileName" || key == "MaxTimeForProcess")
        << "unknown key " << key;
  }
  EXPECT_EQ(entries, 4);
}

}  // namespace
}  // namespace tolvane
