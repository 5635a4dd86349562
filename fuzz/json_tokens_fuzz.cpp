// The dataset engine's lenient JSON token reader: it reads a token at a time
// until the end or a lumetra::Error, never anything else, and a text it reads
// to the end without error has as many container ends as starts.
#include <cstddef>
#include <cstdint>

#include "fuzz_input.h"
#include "lumetra/automation/values/errors.h"
#include "lumetra/dataset/json_tokens.h"

using lumetra::dataset::JsonTokenReader;
using lumetra::dataset::Token;
using lumetra::dataset::TokenKind;
using lumetra::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const lumetra::WideString text = lumetra::FromUtf8({reinterpret_cast<const char*>(data), size});
  JsonTokenReader reader(text);
  Token token;
  long depth = 0;
  size_t tokens = 0;
  try {
    while (reader.Next(token)) {
      ++tokens;
      Check(tokens <= 2 * text.size() + 2, "the tokens stay in proportion to the text");
      if (token.kind == TokenKind::StartObject || token.kind == TokenKind::StartArray) ++depth;
      if (token.kind == TokenKind::EndObject || token.kind == TokenKind::EndArray) --depth;
      Check(depth >= 0, "no end before its start");
    }
    Check(depth == 0, "a text read to the end closes every container");
    Check(!reader.Next(token), "the end stays the end");
  } catch (const lumetra::Error&) {
  }
  return 0;
}
