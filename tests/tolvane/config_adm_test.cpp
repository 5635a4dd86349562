#include "tolvane/config_adm.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "temp_folder.h"
#include "tolvane/executable_path.h"
#include "tolvane/kor_tools.h"

namespace tolvane {
namespace {

using testing::TempFolder;
using testing::WriteFile;
namespace fs = std::filesystem;

TEST(ConfigAdmTest, ConstructionCreatesTheExecutablesIniFile) {
  TempFolder folder;
  TKorConfig store(folder / "bin/watch.exe");

  EXPECT_EQ(store.FileName(), folder / "bin/watch.ini");
  EXPECT_TRUE(fs::is_regular_file(folder / "bin/watch.ini"));
  EXPECT_EQ(fs::file_size(folder / "bin/watch.ini"), 0u);
  EXPECT_EQ(store.Section(), "DEFAULTSECTION");
}

TEST(ConfigAdmTest, OpeningAMissingFileCreatesItAndItsFolders) {
  TempFolder folder;
  TKorConfig store(folder / "watch.exe");
  store.OpenFile(folder / "a/b/c/x");

  EXPECT_EQ(store.FileName(), folder / "a/b/c/x.ini");
  EXPECT_TRUE(fs::is_regular_file(folder / "a/b/c/x.ini"));
  store.SetSection("Tolvane");
  EXPECT_EQ(store.ReadString("Instancia", "none"), "none");
  EXPECT_EQ(store.ReadInteger("MaxTimeForProcess", 9), 9);
}

TEST(ConfigAdmTest, ASecondNameLoadsASecondFile) {
  TempFolder folder;
  WriteFile(folder / "Tolvane.ini", "[Tolvane]\nInstancia=2\n");
  TKorConfig store(folder / "watch.exe");
  store.OpenFile("Tolvane.ini");
  store.SetSection("Tolvane");

  EXPECT_TRUE(fs::exists(folder / "watch.ini"));
  EXPECT_EQ(store.FileName(), folder / "Tolvane.ini");
  EXPECT_EQ(store.ReadString("Instancia", ""), "2");
}

TEST(ConfigAdmTest, SameNameInOtherLetterCaseDoesNothing) {
  TempFolder folder;
  WriteFile(folder / "Tolvane.ini", "[Tolvane]\nInstancia=2\n");
  TKorConfig store(folder / "watch.exe");
  store.OpenFile("Tolvane.ini");
  store.SetSection("Tolvane");

  store.OpenFile("TOLVANE.INI");

  EXPECT_EQ(store.FileName(), folder / "Tolvane.ini");
  EXPECT_EQ(store.Section(), "Tolvane");
  EXPECT_FALSE(fs::exists(folder / "TOLVANE.INI"));
  EXPECT_EQ(store.ReadString("Instancia", ""), "2");
}

TEST(ConfigAdmTest, OnlyLettersAToZAreFoldedWhenComparingNames) {
  TempFolder folder;
  TKorConfig store(folder / "watch.exe");
  store.OpenFile(
      "\xD1"
      ".ini");
  store.SetSection("Tolvane");

  store.OpenFile(
      "\xF1"
      ".ini");

  EXPECT_EQ(store.FileName(), folder / "\xF1.ini");
  EXPECT_EQ(store.Section(), "DEFAULTSECTION");
}

TEST(ConfigAdmTest, ChangesAfterLoadingAreNotSeen) {
  TempFolder folder;
  WriteFile(folder / "Tolvane.ini", "[Tolvane]\nMaxTimeForProcess=15\n");
  TKorConfig store(folder / "Tolvane");
  store.SetSection("Tolvane");

  WriteFile(folder / "Tolvane.ini", "[Tolvane]\nMaxTimeForProcess=30\nInstancia=3\n");
  store.OpenFile("Tolvane.ini");
  store.SetSection("Tolvane");

  EXPECT_EQ(store.ReadInteger("MaxTimeForProcess", 0), 15);
  EXPECT_EQ(store.ReadString("Instancia", "none"), "none");
}

TEST(ConfigAdmTest, ReadsTheFileAsBytesUpToTheFirstNul) {
  TempFolder folder;
  using namespace std::string_literals;
  WriteFile(folder / "Tolvane.ini", "\xEF\xBB\xBF[Tolvane]\nA=1\n[Other]\nB=\xE9t\xE9\0\nC=3\n"s);
  TKorConfig store(folder / "Tolvane");

  store.SetSection("Tolvane");
  EXPECT_EQ(store.ReadString("A", "-"), "-");
  store.SetSection("other");
  EXPECT_EQ(store.ReadString("B", "-"), "\xE9t\xE9");
  EXPECT_EQ(store.ReadString("C", "-"), "-");
}

TEST(ConfigAdmTest, ReadIntegerFallsBackToTheDefault) {
  TempFolder folder;
  WriteFile(folder / "Tolvane.ini",
            "[Tolvane]\nHex=0x0F\nDollar=$F\nDecimal=15\nWords=15 min\nEmpty=\nAllOnes=$FFFFFFFF\n");
  TKorConfig store(folder / "Tolvane");
  store.SetSection("Tolvane");

  EXPECT_EQ(store.ReadInteger("Hex", 0), 15);
  EXPECT_EQ(store.ReadInteger("Dollar", 0), 15);
  EXPECT_EQ(store.ReadInteger("Decimal", 0), 15);
  EXPECT_EQ(store.ReadInteger("AllOnes", 0), -1);
  EXPECT_EQ(store.ReadInteger("Words", 7), 7);
  EXPECT_EQ(store.ReadInteger("Empty", 7), 7);
  EXPECT_EQ(store.ReadInteger("Missing", 7), 7);
}

TEST(ConfigAdmTest, ADirectoryInThePlaceOfTheFileReadsAsEmpty) {
  TempFolder folder;
  fs::create_directory(folder / "Tolvane.ini");
  TKorConfig store(folder / "watch");
  store.OpenFile("Tolvane.ini");
  store.SetSection("Tolvane");

  EXPECT_EQ(store.FileName(), folder / "Tolvane.ini");
  EXPECT_EQ(store.ReadString("A", "default"), "default");
}

// A bound Unix socket exists as a file but cannot be opened, even by the superuser.
class BoundSocket {
 public:
  explicit BoundSocket(const std::string& path) : fd_(::socket(AF_UNIX, SOCK_STREAM, 0)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    bound_ = ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  }
  BoundSocket(const BoundSocket&) = delete;
  BoundSocket& operator=(const BoundSocket&) = delete;
  ~BoundSocket() { ::close(fd_); }
  bool IsBound() const { return bound_; }

 private:
  int fd_;
  bool bound_ = false;
};

TEST(ConfigAdmTest, AFileThatCannotBeOpenedFailsWithItsPath) {
  TempFolder folder;
  WriteFile(folder / "Tolvane.ini", "[Tolvane]\nInstancia=2\n");
  TKorConfig store(folder / "Tolvane");
  store.SetSection("Tolvane");
  const std::string socket_path = folder / "s.ini";
  BoundSocket socket(socket_path);
  ASSERT_TRUE(socket.IsBound());

  try {
    store.OpenFile(socket_path);
    FAIL() << "no error";
  } catch (const EFOpenError& error) {
    EXPECT_EQ(std::string(error.what()), "Cannot open file \"" + socket_path + "\". " + std::strerror(ENXIO));
  }
  EXPECT_EQ(store.FileName(), folder / "Tolvane.ini");
  EXPECT_EQ(store.ReadString("Instancia", ""), "2");
}

TEST(ConfigAdmTest, GlobalConfigIsOneStoreOnTheProgramsOwnIniFile) {
  TKorConfig& store = GlobalConfig();
  const std::string executable = ThisExecutablePath();

  EXPECT_EQ(&store, &GlobalConfig());
  EXPECT_EQ(store.ExecutablePath(), executable);
  EXPECT_EQ(store.FileName(), CompleteFileName("", ".ini", executable));
}

}  // namespace
}  // namespace tolvane
