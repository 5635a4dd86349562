#include "tolvane/kor_tools.h"

#include <gtest/gtest.h>

namespace tolvane {
namespace {

struct CompletionCase {
  const char* name;
  const char* default_ext;
  const char* executable;
  const char* expected;
};

TEST(CompleteFileNameTest, FollowsTheCompletionRules) {
  const CompletionCase cases[] = {
      {"", ".ini", R"(C:\svc\watch.exe)", R"(C:\svc\watch.ini)"},
      {"Tolvane.ini", ".ini", R"(C:\svc\watch.exe)", R"(C:\svc\Tolvane.ini)"},
      {R"(C:\cfg\x)", ".ini", R"(C:\svc\watch.exe)", R"(C:\cfg\x.ini)"},
      {".ini", ".ini", R"(C:\svc\watch.exe)", R"(C:\svc\watch.ini)"},
      {"x.", ".ini", R"(C:\svc\watch.exe)", R"(C:\svc\x.)"},
      {".", ".ini", R"(C:\svc\watch.exe)", R"(C:\svc\watch.)"},
      {"Tolvane", "ini", R"(C:\svc\watch.exe)", R"(C:\svc\Tolvane.ini)"},
      {"Tolvane", "..ini", R"(C:\svc\watch.exe)", R"(C:\svc\Tolvane..ini)"},
      {"MiXeD.InI", ".ini", R"(C:\svc\watch.exe)", R"(C:\svc\MiXeD.InI)"},
      {"x.cfg", ".ini", R"(C:\svc\watch.exe)", R"(C:\svc\x.cfg)"},
      {"C:x", ".ini", R"(C:\svc\watch.exe)", "C:x.ini"},
      {R"(C:\cfg\)", ".ini", R"(C:\svc\watch.exe)", R"(C:\cfg\watch.ini)"},
      {R"(sub\x)", ".ini", R"(C:\svc\watch.exe)", R"(sub\x.ini)"},
      {R"(..\.\x)", ".ini", R"(C:\svc\watch.exe)", R"(..\.\x.ini)"},
      {R"(a.b\c)", ".ini", R"(C:\svc\watch.exe)", R"(a.b\c.ini)"},
      {"", ".ini", R"(C:\svc\my.watch.exe)", R"(C:\svc\my.watch.ini)"},
      // The POSIX build also splits at "/", the file system's own delimiter.
      {"", ".ini", "/opt/svc/watch", "/opt/svc/watch.ini"},
      {"Tolvane.ini", ".ini", "/opt/svc/watch", "/opt/svc/Tolvane.ini"},
      {"/etc/tolvane/x", ".ini", "/opt/svc/watch", "/etc/tolvane/x.ini"},
      {"cfg.d/x", ".ini", "/opt/svc/watch", "cfg.d/x.ini"},
  };
  for (const CompletionCase& c : cases) {
    EXPECT_EQ(CompleteFileName(c.name, c.default_ext, c.executable), c.expected)
        << "name \"" << c.name << "\", default extension \"" << c.default_ext << "\", executable " << c.executable;
  }
}

TEST(KorToolsTest, SplitsPathsAtTheLastDelimiter) {
  EXPECT_EQ(ExtractFilePath(R"(C:\svc\watch.exe)"), R"(C:\svc\)");
  EXPECT_EQ(ExtractFilePath("C:watch.exe"), "C:");
  EXPECT_EQ(ExtractFilePath("watch.exe"), "");
  EXPECT_EQ(ExtractFilePath("/opt/svc/watch"), "/opt/svc/");
  EXPECT_EQ(ExtractFileName(R"(C:\svc\watch.exe)"), "watch.exe");
  EXPECT_EQ(ExtractFileExt(R"(C:\s.vc\watch)"), "");
  EXPECT_EQ(ExtractFileExt(R"(C:\svc\a.b.exe)"), ".exe");
}

TEST(KorToolsTest, WithDefaultExtensionAddsItOnlyWhereTheFileNameHasNone) {
  const struct {
    const char* path;
    const char* expected;
  } cases[] = {
      {R"(C:\svc\worker)", R"(C:\svc\worker.exe)"},
      {R"(C:\svc\worker.exe)", R"(C:\svc\worker.exe)"},
      {R"(C:\svc\worker.bat)", R"(C:\svc\worker.bat)"},
      {R"(C:\svc\worker.)", R"(C:\svc\worker.)"},
      {R"(C:\my.folder\worker)", R"(C:\my.folder\worker.exe)"},
      {"worker", "worker.exe"},
  };
  for (const auto& c : cases) EXPECT_EQ(WithDefaultExtension(c.path, ".exe"), c.expected) << c.path;
}

}  // namespace
}  // namespace tolvane
