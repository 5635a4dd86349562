// TKorConfig: read-only access to one ini file at a time, by Section and key.
// OpenFile completes the name against the executable's path (".ini" by default), and loads the
// file unless the completed path equals the open one ignoring a-z letter case; loading creates
// missing folders and an empty file, builds an IniImage once (never refreshed, never saved) and
// resets Section to "DEFAULTSECTION". Reads never fail: a missing section or key gives the default.
// A failed open (EFOpenError) leaves the store unchanged.
// GlobalConfig() is the single store of the process, opened on the program's own ini file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tolvane/file_access.h"
#include "tolvane/ini_image.h"

namespace tolvane {

class TKorConfig {
 public:
  // Opens the default file: the executable's directory and base name with ".ini".
  // Throws EFOpenError when that file exists but cannot be read.
  explicit TKorConfig(std::string executable_path);

  TKorConfig(const TKorConfig&) = delete;
  TKorConfig& operator=(const TKorConfig&) = delete;

  void OpenFile(std::string_view name);

  const std::string& FileName() const { return file_name_; }
  const std::string& ExecutablePath() const { return executable_path_; }

  const std::string& Section() const { return section_; }
  void SetSection(std::string section) { section_ = std::move(section); }

  std::string ReadString(std::string_view ident, std::string_view default_value) const;

  // ReadString converted by ParseInt32; default_value when empty, malformed or out of range.
  std::int32_t ReadInteger(std::string_view ident, std::int32_t default_value) const;

 private:
  std::string executable_path_;
  IniImage ini_file_;
  std::string file_name_;
  std::string section_;
};

// The process-wide store, created on first use with ThisExecutablePath().
TKorConfig& GlobalConfig();

}  // namespace tolvane
