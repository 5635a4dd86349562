#include "lumetra/json/writer.h"

#include <vector>

namespace lumetra::json {
namespace {

// Short escapes of the ASCII range; 'u' means \uXXXX, 0 means the code unit itself.
constexpr auto kEscapes = [] {
  struct Table {
    char value[128] = {};
  } table;
  for (int c = 0; c < 0x20; ++c) table.value[c] = 'u';
  table.value['\b'] = 'b';
  table.value['\t'] = 't';
  table.value['\n'] = 'n';
  table.value['\f'] = 'f';
  table.value['\r'] = 'r';
  table.value['"'] = '"';
  table.value['/'] = '/';
  table.value['\\'] = '\\';
  return table;
}();

bool NeedsEscape(char16_t c) { return c >= 0x80 || kEscapes.value[c] != 0; }

void AppendString(WideStringView text, WideString& out) {
  out += u'"';
  const char16_t* p = text.data();
  const char16_t* const end = p + text.size();
  while (p != end) {
    const char16_t* run = p;
    while (p != end && !NeedsEscape(*p)) ++p;
    out.append(run, p);
    if (p == end) break;
    const char16_t c = *p++;
    const char escape = c < 0x80 ? kEscapes.value[c] : 'u';
    if (escape != 'u') {
      const char16_t pair[2] = {u'\\', static_cast<char16_t>(escape)};
      out.append(pair, 2);
    } else {
      static constexpr char16_t kHex[] = u"0123456789ABCDEF";
      const char16_t unit[6] = {u'\\', u'u', kHex[c >> 12], kHex[(c >> 8) & 0xF], kHex[(c >> 4) & 0xF],
                                kHex[c & 0xF]};
      out.append(unit, 6);
    }
  }
  out += u'"';
}

struct OpenContainer {
  const TJSONAncestor* container;
  size_t next;  // index of the next child to write
};

class Writer {
 public:
  explicit Writer(WideString& out) : out_(out) {}

  void Write(const TJSONAncestor& top) {
    Begin(top);
    while (!open_.empty()) {
      OpenContainer& open = open_.back();
      const auto* object = As<TJSONObject>(open.container);
      const size_t count = object ? object->Count() : static_cast<const TJSONArray*>(open.container)->Count();
      if (open.next == count) {
        out_ += object ? u'}' : u']';
        open_.pop_back();
        continue;
      }
      const size_t index = open.next++;
      if (index > 0) out_ += u',';
      // Begin may push onto open_, so `open` is not used after this point.
      if (object) {
        Begin(object->Member(index));
      } else {
        Begin(static_cast<const TJSONArray*>(open.container)->Element(index));
      }
    }
  }

 private:
  // Writes a leaf whole, or the opening of a container (pushed to be continued).
  void Begin(const TJSONAncestor& item) {
    switch (item.kind()) {
      case Kind::kObject:
      case Kind::kArray: {
        const bool is_object = item.IsObject();
        out_ += is_object ? u'{' : u'[';
        const size_t count = is_object ? static_cast<const TJSONObject&>(item).Count()
                                       : static_cast<const TJSONArray&>(item).Count();
        if (count == 0) {
          out_ += is_object ? u'}' : u']';
        } else {
          open_.push_back({&item, 0});
        }
        break;
      }
      case Kind::kPair: {
        const auto& pair = static_cast<const TJSONPair&>(item);
        AppendString(pair.Key(), out_);
        out_ += u':';
        Begin(pair.Value());  // a value is never a member: one level only
        break;
      }
      case Kind::kString:
        AppendString(static_cast<const TJSONString&>(item).Text(), out_);
        break;
      case Kind::kNumber:
        out_ += static_cast<const TJSONNumber&>(item).Text();
        break;
      case Kind::kBool:
        out_ += static_cast<const TJSONBool&>(item).Value() ? u"true" : u"false";
        break;
      case Kind::kNull:
        out_ += u"null";
        break;
    }
  }

  WideString& out_;
  std::vector<OpenContainer> open_;
};

}  // namespace

void AppendJSON(const TJSONAncestor& item, WideString& out) { Writer(out).Write(item); }

WideString FormatJSON(const TJSONAncestor& item) {
  WideString out;
  out.reserve(256);
  AppendJSON(item, out);
  return out;
}

}  // namespace lumetra::json
