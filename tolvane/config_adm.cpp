#include "tolvane/config_adm.h"

#include "tolvane/ansi_text.h"
#include "tolvane/executable_path.h"
#include "tolvane/integer_text.h"
#include "tolvane/kor_tools.h"

namespace tolvane {

TKorConfig::TKorConfig(std::string executable_path) : executable_path_(std::move(executable_path)) { OpenFile(""); }

void TKorConfig::OpenFile(std::string_view name) {
  std::string full = CompleteFileName(name, ".ini", executable_path_);
  if (UpperCaseAscii(full) == UpperCaseAscii(file_name_)) return;

  CreateFoldersFor(full);
  const bool exists = FileExists(full);
  IniImage image = exists ? IniImage::Parse(ReadWholeFile(full)) : IniImage();
  if (!exists) CreateEmptyFile(full);

  // Committed only once the file was read: a failed open leaves the store as it was.
  ini_file_ = std::move(image);
  file_name_ = std::move(full);
  section_ = "DEFAULTSECTION";
}

std::string TKorConfig::ReadString(std::string_view ident, std::string_view default_value) const {
  std::optional<std::string> value = ini_file_.Find(section_, ident);
  return value ? std::move(*value) : std::string(default_value);
}

std::int32_t TKorConfig::ReadInteger(std::string_view ident, std::int32_t default_value) const {
  return ParseInt32(ReadString(ident, "")).value_or(default_value);
}

TKorConfig& GlobalConfig() {
  static TKorConfig store(ThisExecutablePath());
  return store;
}

}  // namespace tolvane
