#include "tolvane/ansi_text.h"

#include <gtest/gtest.h>

namespace tolvane {
namespace {

TEST(AnsiTextTest, FoldsWestEuropeanLettersOnly) {
  EXPECT_EQ(AnsiLowerCase("C:\\SVC\\Worker.EXE"), "c:\\svc\\worker.exe");
  EXPECT_EQ(AnsiLowerCase("\xD1\xC0\xDE\xD7\x8A\x8C\x8E\x9F"), "\xF1\xE0\xFE\xD7\x9A\x9C\x9E\xFF");
  EXPECT_TRUE(AnsiSameText("Tolvane", "TOLVANE"));
  EXPECT_TRUE(
      AnsiSameText("\xD1"
                   "ame",
                   "\xF1"
                   "AME"));
  EXPECT_FALSE(AnsiSameText("Tolvane", "Tolvane2"));
  EXPECT_EQ(UpperCaseAscii("tolvane.ini \xF1"), "TOLVANE.INI \xF1");
}

}  // namespace
}  // namespace tolvane
