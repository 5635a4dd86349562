#include "tolvane/ini_image.h"

#include <algorithm>

#include "tolvane/ansi_text.h"

namespace tolvane {
namespace {

bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsTrimmed(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsTrimmed(text.back())) text.remove_suffix(1);
  return text;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

bool IsSectionHeader(std::string_view line) { return line.size() >= 2 && line.front() == '[' && line.back() == ']'; }

}  // namespace

IniImage IniImage::Parse(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  IniImage image;
  for (std::string_view raw_line : SplitLines(text)) {
    const std::string_view line = Trim(raw_line);
    if (line.empty() || line.front() == ';') continue;
    if (IsSectionHeader(line)) {
      image.sections_.push_back(Section{std::string(Trim(line.substr(1, line.size() - 2))), {}});
      continue;
    }
    if (image.sections_.empty()) continue;
    Line stored;
    if (const std::size_t equals = line.find('='); equals != std::string_view::npos) {
      stored.is_entry = true;
      stored.key = std::string(Trim(line.substr(0, equals)));
      stored.value = std::string(Trim(line.substr(equals + 1)));
    }
    image.sections_.back().lines.push_back(std::move(stored));
  }
  return image;
}

std::optional<std::string> IniImage::Find(std::string_view section, std::string_view key) const {
  const auto section_it = std::find_if(sections_.rbegin(), sections_.rend(),
                                       [&](const Section& s) { return AnsiSameText(s.name, section); });
  if (section_it == sections_.rend()) return std::nullopt;
  const auto line_it = std::find_if(section_it->lines.rbegin(), section_it->lines.rend(),
                                    [&](const Line& l) { return l.is_entry && AnsiSameText(l.key, key); });
  if (line_it == section_it->lines.rend()) return std::nullopt;
  return line_it->value;
}

}  // namespace tolvane
