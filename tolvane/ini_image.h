// In-memory image of an ini text, built once and only read afterwards.
// Parsing: the text ends at its first NUL; lines split at CR LF, LF or CR; each line trimmed of
// codes <= 32; empty lines and lines starting with ";" skipped; "[name]" opens a section (name
// trimmed, a repeated name opens another section); lines before the first header are skipped;
// a line with "=" is an entry (key before the first "=", value after it, both trimmed); any
// other line is kept but never found.
// Lookup: names compared with AnsiSameText; the last section of a name and, in it, the last
// entry of a key win. Values are returned as stored: no quote, escape or comment handling.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane {

class IniImage {
 public:
  IniImage() = default;
  static IniImage Parse(std::string_view text);

  std::optional<std::string> Find(std::string_view section, std::string_view key) const;

 private:
  struct Line {
    bool is_entry = false;
    std::string key;
    std::string value;
  };
  struct Section {
    std::string name;
    std::vector<Line> lines;
  };

  std::vector<Section> sections_;
};

}  // namespace tolvane
