#include "tolvane/ini_image.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tolvane {
namespace {

using namespace std::string_literals;

struct ReadCase {
  const char* label;
  std::string text;
  const char* section;
  const char* key;
  std::optional<std::string> expected;  // nullopt: not found
};

TEST(IniImageTest, ReadsTheTableOfTexts) {
  const std::optional<std::string> missing;
  const ReadCase cases[] = {
      {"plain entry", "[Tolvane]\nA=1\n", "Tolvane", "A", "1"},
      {"CR LF lines", "[Tolvane]\r\nA=1\r\nB=2\r\n", "Tolvane", "B", "2"},
      {"CR lines", "[Tolvane]\rA=1\rB=2", "Tolvane", "B", "2"},
      {"mixed line ends", "[Tolvane]\n\rA=1\r\n\nB=2\r", "Tolvane", "A", "1"},
      {"no final line end", "[Tolvane]\nA=last", "Tolvane", "A", "last"},
      {"lines trimmed", "  [ Tolvane ]  \r\n\t A \t=\t 1 \t\n", "Tolvane", "A", "1"},
      {"control characters trimmed",
       "[Tolvane]\n\x01\x1f"
       "A=1\x7f\x1f\n",
       "Tolvane", "A", "1\x7f"},
      {"value keeps later =", "[Tolvane]\nx = a = b\n", "Tolvane", "x", "a = b"},
      {"key keeps inner spaces", "[Tolvane]\nMax Time=5\n", "Tolvane", "Max Time", "5"},
      {"empty value is a value", "[Tolvane]\nA=\n", "Tolvane", "A", ""},
      {"empty key", "[Tolvane]\n=v\n", "Tolvane", "", "v"},
      {"comment line skipped", "[Tolvane]\n;A=1\n", "Tolvane", "A", missing},
      {"indented comment skipped", "[Tolvane]\n  ;A=1\n", "Tolvane", "A", missing},
      {"value starting with ; kept", "[Tolvane]\nA=;x\n", "Tolvane", "A", ";x"},
      {"trailing comment kept", "[Tolvane]\nA=1 ; minutes\n", "Tolvane", "A", "1 ; minutes"},
      {"quotes kept", "[Tolvane]\nA=\"C:\\x y\"\n", "Tolvane", "A", "\"C:\\x y\""},
      {"entry before any header skipped", "A=1\n[Tolvane]\nB=2\n", "Tolvane", "A", missing},
      {"line without = never found", "[Tolvane]\nA\n", "Tolvane", "A", missing},
      {"section found in other case", "[TOLVANE]\nA=1\n", "ToLvAnE", "A", "1"},
      {"key found in other case", "[Tolvane]\nMAXTIMEFORPROCESS=7\n", "Tolvane", "MaxTimeForProcess", "7"},
      {"key in capitals found by lower", "[Tolvane]\nmaxtime=7\n", "Tolvane", "MAXTIME", "7"},
      {"accented letters fold",
       "[\xD1"
       "ame]\n\xC1=1\n",
       "\xF1"
       "AME",
       "\xE1", "1"},
      {"other section not seen", "[Other]\nA=1\n[Tolvane]\nB=2\n", "Tolvane", "A", missing},
      {"prefix of a section name is not it", "[Tolvane2]\nA=1\n", "Tolvane", "A", missing},
      {"missing section", "[Tolvane]\nA=1\n", "Nope", "A", missing},
      {"last duplicate key wins", "[Tolvane]\nA=1\nA=2\n", "Tolvane", "A", "2"},
      {"last duplicate key wins across case", "[Tolvane]\nA=1\na=2\n", "Tolvane", "A", "2"},
      {"last duplicate section wins", "[Tolvane]\nA=1\n[Other]\n[tolvane]\nA=3\n", "Tolvane", "A", "3"},
      {"duplicate section hides first block", "[Tolvane]\nA=1\nB=2\n[Tolvane]\nA=3\n", "Tolvane", "B", missing},
      {"byte-order mark hides first header", "\xEF\xBB\xBF[Tolvane]\nA=1\n[Other]\nB=2\n", "Tolvane", "A", missing},
      {"byte-order mark spares later sections", "\xEF\xBB\xBF[Tolvane]\nA=1\n[Other]\nB=2\n", "Other", "B", "2"},
      {"text ends at first NUL", "[Tolvane]\nA=1\0\nB=2\n"s, "Tolvane", "B", missing},
      {"value before NUL kept", "[Tolvane]\nA=1\0\nB=2\n"s, "Tolvane", "A", "1"},
      {"header containing =", "[a=b]\nA=1\n", "a=b", "A", "1"},
      {"bracket text with = is an entry", "[Tolvane]\n[a]=b\n", "Tolvane", "[a]", "b"},
      {"unclosed bracket is no header", "[Tolvane]\n[Other\nA=1\n", "Tolvane", "A", "1"},
      {"empty section name", "[]\nA=1\n", "", "A", "1"},
      {"empty text", "", "Tolvane", "A", missing},
  };
  for (const ReadCase& c : cases) {
    EXPECT_EQ(IniImage::Parse(c.text).Find(c.section, c.key), c.expected) << c.label;
  }
}

}  // namespace
}  // namespace tolvane
