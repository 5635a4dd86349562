#include "lumetra/encoding/output_file.h"

namespace lumetra {
namespace {

constexpr WideStringView kExtendedPrefix = u"\\\\?\\";
constexpr size_t kMaxPath = 260;

bool IsDriveLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

bool IsInvalidPathChar(char16_t c) {
  return c < 0x20 || c == u'"' || c == u'<' || c == u'>' || c == u'|' || c == u'*' || c == u'?';
}

}  // namespace

bool IsAcceptableOutputPath(WideStringView path) {
  const bool extended = path.starts_with(kExtendedPrefix);
  if (!extended && path.size() >= kMaxPath) return false;

  const WideStringView rest = extended ? path.substr(kExtendedPrefix.size()) : path;
  bool blank = true;
  for (size_t i = 0; i < rest.size(); ++i) {
    const char16_t c = rest[i];
    if (c > u' ') blank = false;
    if (IsInvalidPathChar(c)) return false;
    if (c == u':' && !(i == 1 && IsDriveLetter(rest[0]))) return false;
  }
  return !blank;
}

bool WriteWholeFile(WideStringView path, std::string_view bytes) {
  return IsAcceptableOutputPath(path) && platform::CreateAndWrite(path, bytes);
}

}  // namespace lumetra
