#include "lumetra/mail/address_list.h"

#include "lumetra/automation/values/text_blanks.h"

namespace lumetra::mail {
namespace {

WideString Trim(WideStringView text) { return WideString(TrimBlanks(text, IsAsciiWhitespace)); }

// One entry while it is read: the text outside angle brackets (quotes kept
// for a bare address, removed for a name), and the text inside them.
struct Entry {
  WideString outside_raw;   // as written, comments dropped
  WideString outside_name;  // quotes removed, escapes resolved
  WideString inside;
  bool has_angle = false;

  void Clear() { *this = Entry(); }
};

void Finish(Entry& entry, std::vector<Mailbox>& list) {
  Mailbox box;
  if (entry.has_angle) {
    box.address = Trim(entry.inside);
    box.name = Trim(entry.outside_name);
  } else {
    box.address = Trim(entry.outside_raw);
  }
  if (!box.address.empty()) list.push_back(std::move(box));
  entry.Clear();
}

}  // namespace

std::vector<Mailbox> ParseAddressList(WideStringView text) {
  std::vector<Mailbox> list;
  Entry entry;
  bool in_angle = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'"') {  // quoted string, up to the closing quote or the end
      WideString& raw = in_angle ? entry.inside : entry.outside_raw;
      raw.push_back(c);
      for (++i; i < text.size() && text[i] != u'"'; ++i) {
        if (text[i] == u'\\' && i + 1 < text.size()) {
          raw.push_back(text[i]);
          ++i;
        }
        raw.push_back(text[i]);
        if (!in_angle) entry.outside_name.push_back(text[i]);
      }
      if (i < text.size()) raw.push_back(u'"');
      continue;
    }
    if (c == u'(') {  // comment, possibly nested: dropped
      int depth = 1;
      for (++i; i < text.size() && depth > 0; ++i) {
        if (text[i] == u'\\')
          ++i;
        else if (text[i] == u'(')
          ++depth;
        else if (text[i] == u')')
          --depth;
      }
      --i;
      continue;
    }
    if (in_angle) {
      if (c == u'>')
        in_angle = false;
      else
        entry.inside.push_back(c);
      continue;
    }
    switch (c) {
      case u'<':
        in_angle = true;
        entry.has_angle = true;
        entry.inside.clear();
        break;
      case u',':
      case u';':
        Finish(entry, list);
        break;
      case u':':  // "Group name:" starts a group; the name is not an address
        entry.Clear();
        break;
      default:
        entry.outside_raw.push_back(c);
        entry.outside_name.push_back(c);
    }
  }
  Finish(entry, list);
  return list;
}

}  // namespace lumetra::mail
