#include "lumetra/encoding/base64.h"

#include <gtest/gtest.h>

#include <string>

namespace lumetra {
namespace {

TEST(Base64EncodeTest, LineLayout) {
  struct Case {
    size_t input_bytes;
    std::string expected_shape;  // 'x' for an alphabet character
  };
  const std::string line(76, 'x');
  const Case cases[] = {
      {0, ""},
      {1, "xx=="},
      {2, "xxx="},
      {3, "xxxx"},
      {56, line.substr(0, 72) + "xxx="},
      {57, line + "\r\n"},  // a last full line still ends with CR LF
      {58, line + "\r\nxx=="},
      {114, line + "\r\n" + line + "\r\n"},
      {117, line + "\r\n" + line + "\r\nxxxx"},
  };
  for (const Case& c : cases) {
    std::string encoded = EncodeBase64(std::string(c.input_bytes, 'a'));
    std::string shape = encoded;
    for (char& ch : shape)
      if (ch != '\r' && ch != '\n' && ch != '=') ch = 'x';
    EXPECT_EQ(shape, c.expected_shape) << c.input_bytes << " bytes";
  }
}

TEST(Base64EncodeTest, KnownValues) {
  EXPECT_EQ(EncodeBase64("Man"), "TWFu");
  EXPECT_EQ(EncodeBase64("Ma"), "TWE=");
  EXPECT_EQ(EncodeBase64("M"), "TQ==");
  EXPECT_EQ(EncodeBase64(std::string("\xFB\xFF\x00", 3)), "+/8A");
  EXPECT_EQ(EncodeBase64("\xC3\xA9"), "w6k=");
}

TEST(Base64DecodeTest, SkipsEverythingOutsideTheAlphabet) {
  struct Case {
    std::string text;
    std::string bytes;
  };
  const Case cases[] = {
      {"", ""},
      {"T", ""},  // a single last character gives nothing
      {"TQ", "M"},
      {"TQ==", "M"},
      {"TWE", "Ma"},
      {"TWFu", "Man"},
      {"TW\r\nFu", "Man"},
      {" T W F u ", "Man"},
      {"TQ==TWFu", std::string("M\x04\xD6\x16", 4)},  // padding neither ends nor is checked
      {"-_TWFu", "Man"},                              // URL-safe characters are skipped
      {"T\xC3\xA9WFu", "Man"},                        // non-ASCII bytes are skipped
      {"TR==", "M"},                                  // leftover bits are dropped without check
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeBase64(c.text), c.bytes) << c.text;
}

TEST(Base64Test, RoundTripOfEveryByteValueAcrossLineBreaks) {
  std::string bytes;
  for (int round = 0; round < 3; ++round)
    for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  for (size_t len = 0; len <= bytes.size(); len += 37)
    EXPECT_EQ(DecodeBase64(EncodeBase64(bytes.substr(0, len))), bytes.substr(0, len));
}

}  // namespace
}  // namespace lumetra
