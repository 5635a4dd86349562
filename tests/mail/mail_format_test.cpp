// The pieces of the message and of the SMTP conversation that need no network.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "lumetra/automation/values/errors.h"
#include "lumetra/encoding/base64.h"
#include "lumetra/mail/address_list.h"
#include "lumetra/mail/content_types.h"
#include "lumetra/mail/dot_stuffing.h"
#include "lumetra/mail/header_text.h"
#include "lumetra/mail/mail_message.h"
#include "lumetra/mail/quoted_printable.h"
#include "lumetra/mail/single_bytes.h"
#include "lumetra/mail/smtp_client.h"
#include "lumetra/mail/smtp_reply.h"
#include "lumetra/mail/take_first_token.h"

namespace lumetra::mail {
namespace {

TEST(TakeFirstTokenTest, SplitsAtTheFirstSeparator) {
  struct Case {
    WideString text, separator, token, rest;
  };
  const Case cases[] = {
      {u"a|b|c", u"|", u"a", u"b|c"}, {u"abc", u"|", u"abc", u""},  {u"|b", u"|", u"", u"b"},
      {u"a|", u"|", u"a", u""},       {u"a||b", u"||", u"a", u"b"}, {u"", u"|", u"", u""},
      {u" b| c", u"|", u" b", u" c"}, {u"a|b", u"", u"a|b", u""},
  };
  for (const auto& c : cases) {
    WideString text = c.text, token = u"stale";
    TakeFirstToken(text, c.separator, token);
    EXPECT_EQ(token, c.token) << ToUtf8(c.text);
    EXPECT_EQ(text, c.rest) << ToUtf8(c.text);
  }
}

TEST(AddressListTest, ParsesRfc5322Lists) {
  struct Case {
    WideString text;
    std::vector<Mailbox> expected;
  };
  const Case cases[] = {
      {u"", {}},
      {u"  \t ", {}},
      {u"a@x.com", {{u"", u"a@x.com"}}},
      {u"a@x.com; b@y.com", {{u"", u"a@x.com"}, {u"", u"b@y.com"}}},
      {u"a@x.com,,; <> ;", {{u"", u"a@x.com"}}},
      {u"\"Doe, John\" <john@x.com>, Ann <ann@y.com>", {{u"Doe, John", u"john@x.com"}, {u"Ann", u"ann@y.com"}}},
      {u"john@x.com (John; the (big) boss), b@y", {{u"", u"john@x.com"}, {u"", u"b@y"}}},
      {u"Friends: a@x, b@y;, c@z", {{u"", u"a@x"}, {u"", u"b@y"}, {u"", u"c@z"}}},
      {u"\"a\\\"b;c\" <q@x>", {{u"a\"b;c", u"q@x"}}},
      {u"Jos\u00e9 \u00d1 <jose@x.es>", {{u"Jos\u00e9 \u00d1", u"jose@x.es"}}},
      {u"< only@x >", {{u"", u"only@x"}}},
      {u"Undisclosed recipients:;", {}},
      {u"\"quoted local\"@x.com", {{u"", u"\"quoted local\"@x.com"}}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseAddressList(c.text), c.expected) << ToUtf8(c.text);
}

TEST(SingleBytesTest, OneBytePerUtf16CodeUnit) {
  EXPECT_EQ(ToSingleBytes(u"a\u00e9\u00ff\u0100\u20ac\U0001F600"), std::string("a\xe9\xff????"));
  EXPECT_EQ(ToSingleBytes(WideString(u"a\0b", 3)), std::string("a\0b", 3));
}

TEST(QuotedPrintableTest, EncodesAndBreaksLines) {
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"", ""},
      {"plain <b>text</b>", "plain <b>text</b>"},
      {"a=b", "a=3Db"},
      {"a \r\nb", "a=20\r\nb"},
      {"a\nb\rc\r\nd", "a\r\nb\r\nc\r\nd"},
      {std::string("\xe9\x00\x7f", 3), "=E9=00=7F"},
      {"end ", "end=20"},
      {"tab\t", "tab=09"},
      {".line\r\n.", ".line\r\n."},
      {std::string(76, 'a'), std::string(76, 'a')},
      {std::string(80, 'a'), std::string(75, 'a') + "=\r\n" + std::string(5, 'a')},
      {std::string(74, 'a') + "\xe9" + "b", std::string(74, 'a') + "=\r\n=E9b"},
  };
  for (const auto& c : cases) EXPECT_EQ(EncodeQuotedPrintable(c.in), c.out) << c.in;
}

TEST(QuotedPrintableTest, LinesNeverExceed76Characters) {
  std::string text;
  for (int i = 0; i < 3000; ++i) text.push_back(static_cast<char>(i * 7 % 256));
  const std::string encoded = EncodeQuotedPrintable(text);
  std::size_t start = 0;
  for (std::size_t end; (end = encoded.find("\r\n", start)) != std::string::npos; start = end + 2)
    EXPECT_LE(end - start, 76u);
  EXPECT_LE(encoded.size() - start, 76u);
}

TEST(HeaderTextTest, PlainTextStaysAndOtherTextBecomesEncodedWords) {
  EXPECT_EQ(HeaderPhrase(u"Hello, world"), "Hello, world");
  EXPECT_EQ(HeaderPhrase(u"Caf\u00e9"), "=?UTF-8?B?Q2Fmw6k=?=");
  EXPECT_EQ(QuotedDisplayName(u"Doe \"J\" \\"), "\"Doe \\\"J\\\" \\\\\"");
  EXPECT_EQ(QuotedDisplayName(u"Jos\u00e9"), "=?UTF-8?B?Sm9zw6k=?=");
  EXPECT_EQ(FormatMailbox({u"", u"a@x"}), "a@x");
  EXPECT_EQ(FormatMailbox({u"Ann", u"a@x"}), "\"Ann\" <a@x>");
  EXPECT_EQ(FormatParameterValue(u"report.pdf"), "\"report.pdf\"");
  EXPECT_EQ(FormatParameterValue(u"a\"b.txt"), "\"=?UTF-8?B?YSJiLnR4dA==?=\"");
}

TEST(HeaderTextTest, LongTextIsSplitIntoShortWordsBetweenCharacters) {
  WideString text;
  for (int i = 0; i < 40; ++i) text += u"\u00e9\u20ac\U0001F600x";
  const std::string encoded = EncodeWords(text, "\r\n ");
  std::string joined;
  std::size_t start = 0;
  for (;;) {
    const auto end = encoded.find("\r\n ", start);
    const std::string word = encoded.substr(start, end == std::string::npos ? std::string::npos : end - start);
    EXPECT_LE(word.size(), 75u);
    ASSERT_EQ(word.rfind("=?UTF-8?B?", 0), 0u) << word;
    const std::string bytes = DecodeBase64(word.substr(10, word.size() - 12));
    EXPECT_EQ(ToUtf8(FromUtf8(bytes)), bytes) << "a word ends inside a character";
    joined += bytes;
    if (end == std::string::npos) break;
    start = end + 3;
  }
  EXPECT_EQ(joined, ToUtf8(text));
}

TEST(ContentTypesTest, ByExtension) {
  EXPECT_EQ(ContentTypeForFileName(u"x.PDF"), "application/pdf");
  EXPECT_EQ(ContentTypeForFileName(u"a.b.png"), "image/png");
  EXPECT_EQ(ContentTypeForFileName(u"archive.tar.gz"), "application/gzip");
  EXPECT_EQ(ContentTypeForFileName(u"noext"), "application/octet-stream");
  EXPECT_EQ(ContentTypeForFileName(u"x."), "application/octet-stream");
  EXPECT_EQ(ContentTypeForFileName(u"x.unknown"), "application/octet-stream");
}

TEST(FileNameOfPathTest, TakesWhatFollowsTheLastSlashOfEitherKind) {
  EXPECT_EQ(FileNameOfPath(u"C:\\dir\\a.txt"), u"a.txt");
  EXPECT_EQ(FileNameOfPath(u"/tmp/x/b.bin"), u"b.bin");
  EXPECT_EQ(FileNameOfPath(u"c"), u"c");
}

MailMessage SampleMessage() {
  MailMessage message;
  message.sender = {u"Ana", u"ana@example.com"};
  message.to = {{u"", u"bob@example.com"}, {u"Carl \"C\"", u"carl@example.com"}};
  message.bcc = {{u"", u"hidden@example.com"}};
  message.subject = u"Hello";
  message.html_body = u"<p>Hi</p>";
  message.date = "Thu, 10 Dec 2026 08:05:03 +0000";
  message.boundary = "=_B";
  return message;
}

constexpr char kSampleHeader[] =
    "From: \"Ana\" <ana@example.com>\r\n"
    "To: bob@example.com, \"Carl \\\"C\\\"\" <carl@example.com>\r\n"
    "Subject: Hello\r\n"
    "Date: Thu, 10 Dec 2026 08:05:03 +0000\r\n"
    "MIME-Version: 1.0\r\n";

constexpr char kHtmlPartHeader[] =
    "Content-Type: text/html\r\n"
    "Content-Transfer-Encoding: quoted-printable\r\n"
    "Content-Disposition: inline\r\n";

TEST(MailMessageTest, WithoutAttachmentsIsTheHtmlPartItself) {
  StringSink sink;
  SampleMessage().WriteTo(sink);
  EXPECT_EQ(sink.text, std::string(kSampleHeader) + kHtmlPartHeader + "\r\n<p>Hi</p>=\r\n");
}

TEST(MailMessageTest, ASinglePartBodyEndingInALineBreakNeedsNoSoftBreak) {
  MailMessage message = SampleMessage();
  message.html_body = u"<p>Hi</p>\n";
  StringSink sink;
  message.WriteTo(sink);
  EXPECT_EQ(sink.text.substr(sink.text.size() - 13), "\r\n<p>Hi</p>\r\n");
}

TEST(MailMessageTest, WithAttachmentsIsMultipartMixed) {
  const auto dir = std::filesystem::temp_directory_path() / "lumetra-mail-format-test";
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "notes.txt", std::ios::binary) << "abc";
  std::ofstream(dir / "empty", std::ios::binary).close();
  MailMessage message = SampleMessage();
  message.attachments = {{dir / "notes.txt", u"notes.txt"}, {dir / "empty", u"empty"}};
  StringSink sink;
  message.WriteTo(sink);
  EXPECT_EQ(sink.text, std::string(kSampleHeader) +
                           "Content-Type: multipart/mixed;\r\n boundary=\"=_B\"\r\n"
                           "\r\n"
                           "This is a multi-part message in MIME format\r\n"
                           "\r\n"
                           "--=_B\r\n" +
                           kHtmlPartHeader +
                           "\r\n"
                           "<p>Hi</p>\r\n"
                           "--=_B\r\n"
                           "Content-Type: text/plain;\r\n name=\"notes.txt\"\r\n"
                           "Content-Transfer-Encoding: base64\r\n"
                           "Content-Disposition: attachment;\r\n filename=\"notes.txt\"\r\n"
                           "\r\n"
                           "YWJj\r\n"
                           "--=_B\r\n"
                           "Content-Type: application/octet-stream;\r\n name=\"empty\"\r\n"
                           "Content-Transfer-Encoding: base64\r\n"
                           "Content-Disposition: attachment;\r\n filename=\"empty\"\r\n"
                           "\r\n"
                           "--=_B--\r\n");
  std::filesystem::remove_all(dir);
}

TEST(MailMessageTest, AMissingAttachmentFileFailsTheWriting) {
  MailMessage message = SampleMessage();
  message.attachments = {{std::filesystem::temp_directory_path() / "lumetra-no-such-file", u"gone.bin"}};
  StringSink sink;
  EXPECT_THROW(message.WriteTo(sink), Error);
}

TEST(MailMessageTest, NoSenderAddressNoFromHeader) {
  MailMessage message = SampleMessage();
  message.sender = {};
  StringSink sink;
  message.WriteTo(sink);
  EXPECT_EQ(sink.text.rfind("To: ", 0), 0u);
}

// A CR or LF in a subject, a name or an address never starts a header line.
TEST(MailMessageTest, LineBreaksInFieldsCannotInjectHeaders) {
  MailMessage message = SampleMessage();
  message.subject = u"Hi\r\nBcc: evil@x.com";
  message.sender = {u"Ana\nX-Injected: 1", u"ana@x.com\r\nX-Evil: 1"};
  message.to = {{u"Eve\r\nX-Injected: 2", u"eve@x.com\nX-Evil: 2"}, {u"", u"bob@x.com\r\nX-Evil: 3"}};
  message.cc = {{u"", u"c@x.com\rX-Evil: 4"}};
  StringSink sink;
  message.WriteTo(sink);
  const std::string& text = sink.text;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      EXPECT_EQ(text[i + 1], '\n') << "lone CR at " << i;
    }
    if (text[i] == '\n') {
      EXPECT_EQ(text[i - 1], '\r') << "lone LF at " << i;
    }
  }
  const std::string header = text.substr(0, text.find("\r\n\r\n") + 2);
  const char* allowed[] = {"From: ", "To: ", "Cc: ", "Subject: ", "Date: ", "MIME-Version: ", "Content-", " "};
  std::size_t start = 0;
  for (std::size_t end; (end = header.find("\r\n", start)) != std::string::npos; start = end + 2) {
    const std::string line = header.substr(start, end - start);
    bool known = false;
    for (const char* prefix : allowed) known = known || line.rfind(prefix, 0) == 0;
    EXPECT_TRUE(known) << line;
  }
  EXPECT_EQ(text.find("\r\nBcc"), std::string::npos);
  EXPECT_EQ(text.find("\r\nX-"), std::string::npos);
}

TEST(DotStuffingTest, DoublesLeadingDotsAndEndsTheData) {
  struct Case {
    std::vector<std::string> pieces;
    std::string out;
  };
  const Case cases[] = {
      {{"a\r\n.b\r\n"}, "a\r\n..b\r\n.\r\n"},
      {{".x"}, "..x\r\n.\r\n"},
      {{"a\r\n", ".", "\r\n"}, "a\r\n..\r\n.\r\n"},
      {{"a\r", "\n.", "b\r\n"}, "a\r\n..b\r\n.\r\n"},
      {{"x.y\r\n"}, "x.y\r\n.\r\n"},
      {{}, ".\r\n"},
      // Found by mail_text_fuzz: a text ending with a bare LF ended the data
      // with LF "." CR LF, which a server that ends lines only at CR LF does not
      // take for the end of the data.
      {{"a\n"}, "a\n\r\n.\r\n"},
      {{"a\r", "\n"}, "a\r\n.\r\n"},
      {{"a\n.\n"}, "a\n..\n\r\n.\r\n"},
  };
  for (const auto& c : cases) {
    StringSink out;
    DotStuffingSink stuffing(out);
    for (const auto& piece : c.pieces) stuffing.Write(piece);
    stuffing.Finish();
    EXPECT_EQ(out.text, c.out);
  }
}

TEST(SmtpReplyTest, TheCapabilitiesAreTheLinesAfterTheFirstOfA250Reply) {
  EXPECT_EQ(CapabilitiesOf(SmtpReply{250, {"mx.example", "AUTH LOGIN", " starttls "}}),
            (std::vector<std::string>{"AUTH LOGIN", " starttls "}));
  EXPECT_TRUE(CapabilitiesOf(SmtpReply{250, {"mx.example"}}).empty());
  EXPECT_TRUE(CapabilitiesOf(SmtpReply{250, {}}).empty());
  EXPECT_TRUE(CapabilitiesOf(SmtpReply{502, {"no", "AUTH LOGIN"}}).empty());
  EXPECT_TRUE(HasCapability({"AUTH LOGIN", " starttls "}, "STARTTLS"));
  EXPECT_FALSE(HasCapability({"STARTTLSX"}, "STARTTLS"));
}

TEST(SmtpReplyTest, ParsesSingleAndMultiLineReplies) {
  ReplyParser parser;
  EXPECT_FALSE(parser.AddLine("250-first"));
  const auto reply = parser.AddLine("250 second");
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->code, 250);
  EXPECT_EQ(reply->lines, (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(reply->Text(), "first\r\nsecond");
  const auto bare = parser.AddLine("220");
  ASSERT_TRUE(bare);
  EXPECT_EQ(bare->code, 220);
  EXPECT_THROW(parser.AddLine("hello"), Error);
  EXPECT_THROW(parser.AddLine("25"), Error);
  EXPECT_THROW(parser.AddLine("250x"), Error);
}

TEST(SmtpPortTest, LowSixteenBitsAnd465BecomesTwentyFiveWithTls) {
  struct Case {
    int32_t port;
    bool tls;
    uint16_t expected;
  };
  const Case cases[] = {{25, false, 25},  {465, true, 25},    {465, false, 465},
                        {587, true, 587}, {65561, false, 25}, {0, false, 0},
                        {65536, true, 0}, {-1, false, 65535}, {65536 + 465, true, 25}};
  for (const auto& c : cases) EXPECT_EQ(SmtpPort(c.port, c.tls), c.expected) << c.port << " " << c.tls;
}

TEST(OffersLoginTest, ReadsAuthCapabilityLines) {
  struct Case {
    std::vector<std::string> capabilities;
    bool expected;
  };
  const Case cases[] = {
      {{"AUTH LOGIN PLAIN"}, true},
      {{"auth=login"}, true},
      {{"SIZE 100", "AUTH  xoauth2  Login"}, true},
      {{"AUTH=PLAIN LOGIN"}, true},
      {{"AUTH PLAIN CRAM-MD5"}, false},
      {{"AUTHLOGIN"}, false},
      {{"X-AUTH LOGIN"}, false},
      {{"AUTH"}, false},
      {{}, false},
      {{"AUTH PLAIN", "LOGIN"}, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(OffersLogin(c.capabilities), c.expected) << ::testing::PrintToString(c.capabilities);
}

}  // namespace
}  // namespace lumetra::mail
