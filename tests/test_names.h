// Readable names for the cases of parameterized tests: GoogleTest otherwise
// prints a parameter as its bytes ("64-byte object <10-13 00-00 ...>").
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lumetra::testing {

// The case's text with letters and digits kept and every other run of
// characters made one "_", cut to 60 characters, and its index appended, so
// names are valid and unique ("Case_3" for a text without letters or digits).
template <typename Char>
std::string CaseName(std::basic_string_view<Char> text, size_t index) {
  std::string name;
  bool gap = false;
  for (Char c : text) {
    const bool alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (alnum) {
      if (gap && !name.empty()) name += '_';
      name += static_cast<char>(c);
      gap = false;
    } else {
      gap = true;
    }
    if (name.size() >= 60) break;
  }
  if (name.empty()) name = "Case";
  return name + '_' + std::to_string(index);
}

// A name generator for INSTANTIATE_TEST_SUITE_P from the parameter's member `field`.
template <auto field>
struct NameFrom {
  template <typename Info>
  std::string operator()(const Info& info) const {
    const auto& text = info.param.*field;
    using Char = typename std::decay_t<decltype(text)>::value_type;
    return CaseName(std::basic_string_view<Char>(text), info.index);
  }
};

}  // namespace lumetra::testing
