#include "lumetra/encoding/output_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "lumetra/encoding/base64_files.h"

namespace lumetra {
namespace {

namespace fs = std::filesystem;

class OutputFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("lumetra-output-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  WideString PathOf(const std::string& name) const { return FromUtf8((dir_ / name).string()); }
  std::string Read(const std::string& name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  fs::path dir_;
};

TEST(OutputPathRulesTest, Table) {
  struct Case {
    WideString path;
    bool acceptable;
  };
  const Case cases[] = {
      {u"", false},
      {u"   ", false},
      {u"out.txt", true},
      {u"C:\\data\\out.txt", true},
      {u"/tmp/out.txt", true},
      {u"C:\\data\\out:stream", false},  // ":" beyond the drive designator
      {u"1:\\data", false},              // not a drive letter
      {u"a<b", false},
      {u"a>b", false},
      {u"a|b", false},
      {u"a\"b", false},
      {u"a*b", false},
      {u"a?b", false},
      {u"a\tb", false},
      {WideString(u"a\0b", 3), false},
      {WideString(259, u'a'), true},
      {WideString(260, u'a'), false},
      {u"\\\\?\\C:\\" + WideString(300, u'a'), true},  // the extended-length prefix lifts the limit
      {u"\\\\?\\", false},
      {u"\\\\?\\C:\\a?b", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsAcceptableOutputPath(c.path), c.acceptable) << ToUtf8(c.path);
}

TEST_F(OutputFileTest, ReplacesTheWholeContentOfAnExistingFile) {
  std::ofstream(dir_ / "f.bin") << "a much longer previous content";
  ASSERT_TRUE(WriteWholeFile(PathOf("f.bin"), "new"));
  EXPECT_EQ(Read("f.bin"), "new");
  ASSERT_TRUE(WriteWholeFile(PathOf("f.bin"), ""));
  EXPECT_TRUE(fs::exists(dir_ / "f.bin"));
  EXPECT_EQ(Read("f.bin"), "");
}

TEST_F(OutputFileTest, RefusedPathsWriteNothing) {
  EXPECT_FALSE(WriteWholeFile(PathOf("missing-folder/f.bin"), "x"));
  EXPECT_FALSE(fs::exists(dir_ / "missing-folder"));  // the folder is never created
  EXPECT_FALSE(WriteWholeFile(PathOf(""), "x"));      // the folder itself cannot be a file
  EXPECT_FALSE(WriteWholeFile(PathOf("a?b"), "x"));
  EXPECT_FALSE(fs::exists(dir_ / "a?b"));
}

TEST_F(OutputFileTest, Base64FilesWriteExactBytes) {
  ASSERT_TRUE(EncodeBase64ToFile(u"", PathOf("empty.b64")));
  EXPECT_EQ(Read("empty.b64"), "");

  ASSERT_TRUE(EncodeBase64ToFile(WideString(57, u'a'), PathOf("57.b64")));
  EXPECT_EQ(Read("57.b64").size(), 78u);
  EXPECT_TRUE(Read("57.b64").ends_with("\r\n"));

  ASSERT_TRUE(EncodeBase64ToFile(WideString(58, u'a'), PathOf("58.b64")));
  EXPECT_EQ(Read("58.b64").size(), 82u);
  EXPECT_TRUE(Read("58.b64").ends_with("=="));

  ASSERT_TRUE(EncodeBase64ToFile(u"é", PathOf("accent.b64")));  // its two UTF-8 bytes
  EXPECT_EQ(Read("accent.b64"), "w6k=");

  ASSERT_TRUE(DecodeBase64ToFile(u"AP8A\r\n/w==", PathOf("bytes.bin")));
  EXPECT_EQ(Read("bytes.bin"), std::string("\x00\xFF\x00\xFF", 4));

  ASSERT_TRUE(DecodeBase64ToFile(u"Q", PathOf("one.bin")));
  EXPECT_EQ(Read("one.bin"), "");

  EXPECT_FALSE(DecodeBase64ToFile(u"QUJD", PathOf("nowhere/x.bin")));
  EXPECT_FALSE(EncodeBase64ToFile(u"ABC", FromUtf8((dir_ / std::string(260, 'a')).string())));
}

}  // namespace
}  // namespace lumetra
