// The Tolvane ini store: the first line of the input names a section, the
// second a key, the rest is the ini text. The text is parsed directly and
// through TKorConfig on a file; both agree, a found value is trimmed and
// single-line, names ignore letter case, and ReadInteger is ParseInt32 of the
// value.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz_input.h"
#include "tolvane/ansi_text.h"
#include "tolvane/config_adm.h"
#include "tolvane/ini_image.h"
#include "tolvane/integer_text.h"

using lumetra::fuzz::Check;
using lumetra::fuzz::FuzzInput;

namespace {

std::string MakeFolder() {
  char name[] = "/tmp/tolvane_ini_fuzz_XXXXXX";
  Check(mkdtemp(name) != nullptr, "a temporary folder");
  return name;
}

void WriteFile(const std::string& path, std::string_view text) {
  FILE* file = std::fopen(path.c_str(), "wb");
  Check(file != nullptr, "the ini file can be written");
  Check(std::fwrite(text.data(), 1, text.size(), file) == text.size(), "the ini file is written");
  std::fclose(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string folder = MakeFolder();
  static tolvane::TKorConfig config(folder + "/watch.exe");
  static bool second_file = false;

  FuzzInput input(data, size);
  const std::string section(input.Until('\n'));
  const std::string key(input.Until('\n'));
  const std::string_view text = input.Rest();

  const tolvane::IniImage image = tolvane::IniImage::Parse(text);
  const std::optional<std::string> value = image.Find(section, key);
  if (value) {
    Check(value->find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos, "a value is one line");
    Check(value->empty() ||
              (static_cast<unsigned char>(value->front()) > 32 && static_cast<unsigned char>(value->back()) > 32),
          "a value is trimmed");
  }
  Check(image.Find(tolvane::AnsiLowerCase(section), tolvane::AnsiLowerCase(key)) == value, "names ignore letter case");

  // The same text through the store, in a file of a name other than the open one.
  second_file = !second_file;
  const std::string path = folder + (second_file ? "/b.ini" : "/a.ini");
  WriteFile(path, text);
  config.OpenFile(path);
  Check(config.FileName() == path, "the store opens the new file");
  config.SetSection(section);
  const std::string read = config.ReadString(key,
                                             "\x01"
                                             "default");
  Check(value ? read == *value
              : read ==
                    "\x01"
                    "default",
        "the store reads what the image finds");
  Check(config.ReadInteger(key, -7) == tolvane::ParseInt32(value.value_or("")).value_or(-7),
        "ReadInteger is ParseInt32 of the value");
  return 0;
}
