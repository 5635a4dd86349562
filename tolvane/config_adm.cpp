#include "tolvane/config_adm.h"

#include "tolvane/ansi_text.h"
#include "tolvane/executable_path.h"
#include "tolvane/integer_text.h"
#include "tolvane/kor_tools.h"

namespace tolvane {

TKorConfig::TKorConfig(std::string executablePath) : executablePath_(std::move(executablePath)) {
  OpenFile("");
}

void TKorConfig::OpenFile(std::string_view name) {
  std::string full = CompleteFileName(name, ".ini", executablePath_);
  if (UpperCaseAscii(full) == UpperCaseAscii(fileName_)) return;

  CreateFoldersFor(full);
  const bool exists = FileExists(full);
  IniImage image = exists ? IniImage::Parse(ReadWholeFile(full)) : IniImage();
  if (!exists) CreateEmptyFile(full);

  // Committed only once the file was read: a failed open leaves the store as it was.
  iniFile_ = std::move(image);
  fileName_ = std::move(full);
  section_ = "DEFAULTSECTION";
}

std::string TKorConfig::ReadString(std::string_view ident, std::string_view defaultValue) const {
  std::optional<std::string> value = iniFile_.Find(section_, ident);
  return value ? std::move(*value) : std::string(defaultValue);
}

std::int32_t TKorConfig::ReadInteger(std::string_view ident, std::int32_t defaultValue) const {
  return ParseInt32(ReadString(ident, "")).value_or(defaultValue);
}

TKorConfig& GlobalConfig() {
  static TKorConfig store(ThisExecutablePath());
  return store;
}

}  // namespace tolvane
