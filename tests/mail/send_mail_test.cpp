// SendMailMessage against a real SMTP server (aiosmtpd on loopback), whose
// parser reads back every recipient, header and attachment.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "lumetra/automation/values/errors.h"
#include "lumetra/mail/send_mail.h"
#include "smtp_server_process.h"

namespace lumetra::mail {
namespace {

using testing::ReceivedMessage;
using testing::SmtpServerProcess;
namespace fs = std::filesystem;

constexpr std::chrono::milliseconds kTestReplyLimit{10000};

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "lumetra-attach-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  // Writes a file and returns its path as the script would pass it.
  WideString Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path_ / fs::u8path(name), std::ios::binary) << bytes;
    return FromUtf8((path_ / fs::u8path(name)).string());
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (auto& b : bytes) b = static_cast<char>(random() & 0xFF);
  return bytes;
}

struct Send {
  WideString to, cc, bcc, subject = u"Test", body = u"<p>body</p>", attachments, user = u"sender@example.com",
                          password = u"pw", from_address;
  bool tls = false;
  WideString host = u"127.0.0.1";
};

WideString SendTo(const SmtpServerProcess& server, const Send& send) {
  WideString result = u"stale";
  SendMailMessage(send.to, send.cc, send.bcc, send.subject, send.body, send.attachments, send.user, send.password,
                  send.host, u"", send.from_address, server.port(), send.tls, result, kTestReplyLimit);
  return result;
}

// Sets an environment variable for one scope ("" unsets it).
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::string& value) : name_(name) {
    if (value.empty())
      unsetenv(name);
    else
      setenv(name, value.c_str(), 1);
  }
  ~ScopedVariable() { unsetenv(name_); }

 private:
  const char* name_;
};

std::size_t LongestLine(const std::string& text) {
  std::size_t longest = 0, start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    longest = std::max(longest, end - start);
  return std::max(longest, text.size() - start);
}

TEST(SendMailTest, DeliversRecipientsHeadersBodyAndAttachmentsIntact) {
  SmtpServerProcess server;
  TempFolder files;
  const std::string binary = RandomBytes(300 * 1024 + 7, 1);
  const std::string text = "first line\r\n.second line starts with a dot\r\n.\r\n";
  const WideString bin_path = files.Write("data.bin", binary);
  const WideString txt_path = files.Write("notas de caf\xc3\xa9 \xe2\x82\xac.txt", text);
  const WideString missing = FromUtf8((files.path() / "missing.pdf").string());
  fs::create_directory(files.path() / "folder.zip");
  const WideString folder = FromUtf8((files.path() / "folder.zip").string());

  Send send;
  send.to = u"\"Doe, John\" <john@example.com>; ann@example.com";
  send.cc = u"Jos\u00e9 \u00d1u\u00f1ez <jose@example.es>";
  send.bcc = u"hidden@example.com, john@example.com";
  send.subject = u"Informe de caf\u00e9 \u20ac \u2014 a subject long enough to need more than one encoded word";
  send.body = u"<p>Hola \u00e1\u00e9\u00ed \u20ac</p>\r\n.\r\n..two dots\nlone LF=end ";
  send.attachments = bin_path + u"|" + missing + u"||" + folder + u"|" + txt_path + u"|";
  EXPECT_EQ(SendTo(server, send), kMailSent);

  ASSERT_EQ(server.MessageCount(), 1);
  const ReceivedMessage m = server.Message(1);
  EXPECT_FALSE(m.tls);
  EXPECT_EQ(m.login, "");
  EXPECT_EQ(m.mail_from, "sender@example.com");
  EXPECT_EQ(m.recipients, (std::vector<std::string>{"john@example.com", "ann@example.com", "jose@example.es",
                                                    "hidden@example.com", "john@example.com"}));
  EXPECT_EQ(m.HeaderNames(),
            (std::vector<std::string>{"From", "To", "Cc", "Subject", "Date", "MIME-Version", "Content-Type"}));
  EXPECT_EQ(m.Header("From"), "\"sender@example.com\" <sender@example.com>");
  EXPECT_EQ(m.Header("To"), "\"Doe, John\" <john@example.com>, ann@example.com");
  EXPECT_EQ(m.Header("Cc"),
            "Jos\xc3\xa9 \xc3\x91u\xc3\xb1"
            "ez <jose@example.es>");
  EXPECT_EQ(m.Header("Subject"), ToUtf8(send.subject));
  EXPECT_EQ(m.Header("MIME-Version"), "1.0");
  EXPECT_EQ(m.defects, 0);
  EXPECT_LE(LongestLine(m.raw), 998u);

  ASSERT_EQ(m.parts.size(), 3u);
  EXPECT_EQ(m.parts[0].content_type, "text/html");
  EXPECT_EQ(m.parts[0].disposition, "inline");
  EXPECT_EQ(m.parts[0].bytes, "<p>Hola \xe1\xe9\xed ?</p>\r\n.\r\n..two dots\r\nlone LF=end ");
  EXPECT_EQ(m.parts[1].content_type, "application/octet-stream");
  EXPECT_EQ(m.parts[1].disposition, "attachment");
  EXPECT_EQ(m.parts[1].file_name, "data.bin");
  EXPECT_EQ(m.parts[1].bytes, binary);
  EXPECT_EQ(m.parts[2].content_type, "text/plain");
  EXPECT_EQ(m.parts[2].file_name, "notas de caf\xc3\xa9 \xe2\x82\xac.txt");
  EXPECT_EQ(m.parts[2].bytes, text);
}

// A path with a lone surrogate names no file this system can open: the
// attachment is skipped like a missing one and the mail goes out without it.
TEST(SendMailTest, AttachmentPathsThatCannotBeNamedAreSkipped) {
  SmtpServerProcess server;
  TempFolder files;
  const WideString kept = files.Write("kept.txt", "kept\r\n");
  const WideString folder = FromUtf8(files.path().string()) + u"/";
  const WideString unnamable[] = {u"\xD800.txt", u"a\xDC00.txt", u"\xDC00\xD800.txt", u"end\xDBFF"};
  int sent = 0;
  for (const auto& name : unnamable) {
    SCOPED_TRACE(ToUtf8(name));
    Send send;
    send.to = u"to@example.com";
    send.attachments = folder + name + u"|" + kept + u"|" + name;
    WideString result;
    EXPECT_NO_THROW(result = SendTo(server, send));
    EXPECT_EQ(result, kMailSent);
    ASSERT_EQ(server.MessageCount(), ++sent);
    const ReceivedMessage m = server.Message(sent);
    ASSERT_EQ(m.parts.size(), 2u);
    EXPECT_EQ(m.parts[1].file_name, "kept.txt");
    EXPECT_EQ(m.parts[1].bytes, "kept\r\n");
  }
}

TEST(SendMailTest, TlsAndAuthLogin) {
  SmtpServerProcess server({"--tls", "--auth"});
  TempFolder files;
  const std::string binary = RandomBytes(2 * 1024 * 1024 + 1, 2);
  Send send;
  send.to = u"to@example.com";
  send.user = u"us\u00e9r";
  send.password = u"p\u00e4ss\u20ac";
  send.from_address = u"sender@example.com";  // the server takes ASCII envelopes only
  send.tls = true;
  send.attachments = files.Write("big.png", binary);
  EXPECT_EQ(SendTo(server, send), kMailSent);

  ASSERT_EQ(server.MessageCount(), 1);
  const ReceivedMessage m = server.Message(1);
  EXPECT_TRUE(m.tls);
  EXPECT_EQ(m.login, "us\xe9r");
  EXPECT_EQ(m.mail_from, "sender@example.com");
  EXPECT_EQ(m.Header("From"), "us\xc3\xa9r <sender@example.com>");
  EXPECT_EQ(m.password, "p\xe4ss?");
  EXPECT_EQ(m.recipients, (std::vector<std::string>{"to@example.com"}));
  ASSERT_EQ(m.parts.size(), 2u);
  EXPECT_EQ(m.parts[1].content_type, "image/png");
  EXPECT_EQ(m.parts[1].bytes, binary);
}

// The certificate check is off unless the machine asks for it; then the chain
// must end in a trusted root (SSL_CERT_FILE stands for the system's store
// here) and name the host. The server requires STARTTLS and AUTH LOGIN.
TEST(SendMailTest, ServerCertificateCheckedOnlyWhenTheSettingAsks) {
  struct Case {
    const char* name;
    bool signed_by_ca;
    const char* setting;
    bool ca_trusted;
    WideString host;
    bool sent;
  };
  // clang-format off
  const Case cases[] = {
      {"self-signed, setting off", false, "", false, u"localhost", true},
      {"self-signed, setting 0", false, "0", false, u"localhost", true},
      {"self-signed, setting on", false, "1", false, u"localhost", false},
      {"CA-signed, CA trusted, setting on", true, "1", true, u"localhost", true},
      {"CA-signed, CA trusted, setting on, address not named", true, "1", true, u"127.0.0.1", false},
      {"CA-signed, CA not trusted, setting on", true, "1", false, u"localhost", false},
  };
  // clang-format on
  TempFolder ca;
  TempFolder files;
  const std::string attachment = RandomBytes(1024 * 1024 + 3, 3);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> options = {"--auth", "--require-auth", "--require-tls", "--tls"};
    if (c.signed_by_ca) options.insert(options.end(), {"--ca", ca.path().string()});
    SmtpServerProcess server(options);
    const ScopedVariable setting("LUMETRA_VERIFY_SERVER_CERTIFICATE", c.setting);
    const ScopedVariable roots("SSL_CERT_FILE", c.ca_trusted ? (ca.path() / "ca.pem").string() : "");
    Send send;
    send.to = u"to@example.com";
    send.tls = true;
    send.host = c.host;
    send.attachments = files.Write("a.bin", attachment);
    if (c.sent) {
      EXPECT_EQ(SendTo(server, send), kMailSent);
      ASSERT_EQ(server.MessageCount(), 1);
      const ReceivedMessage m = server.Message(1);
      EXPECT_TRUE(m.tls);
      EXPECT_EQ(m.login, "sender@example.com");
      ASSERT_EQ(m.parts.size(), 2u);
      EXPECT_EQ(m.parts[1].bytes, attachment);
    } else {
      try {
        SendTo(server, send);
        ADD_FAILURE() << "sent";
      } catch (const Error& error) {
        EXPECT_EQ(error.message(), "SSL negotiation failed.");
      }
      EXPECT_EQ(server.MessageCount(), 0);
    }
  }
}

TEST(SendMailTest, ServerOlderThanTls12IsRefused) {
  SmtpServerProcess server({"--old-tls"});
  Send send;
  send.to = u"to@example.com";
  send.tls = true;
  try {
    SendTo(server, send);
    ADD_FAILURE() << "sent over TLS 1.1";
  } catch (const Error& error) {
    EXPECT_EQ(error.message(), "SSL negotiation failed.");
  }
  EXPECT_EQ(server.MessageCount(), 0);
}

TEST(SendMailTest, ServerWithoutLoginIsUsedUnauthenticated) {
  SmtpServerProcess server({"--auth", "--no-login"});
  Send send;
  send.to = u"to@example.com";
  EXPECT_EQ(SendTo(server, send), kMailSent);
  ASSERT_EQ(server.MessageCount(), 1);
  EXPECT_EQ(server.Message(1).login, "");
}

TEST(SendMailTest, EmptyUserNameMeansNoFromAndAnEmptySender) {
  SmtpServerProcess server;
  Send send;
  send.to = u"to@example.com";
  send.user = u"";
  EXPECT_EQ(SendTo(server, send), kMailSent);
  const ReceivedMessage m = server.Message(1);
  EXPECT_EQ(m.mail_from, "<>");  // how aiosmtpd records "MAIL FROM:<>"
  EXPECT_FALSE(m.Header("From"));
  ASSERT_EQ(m.parts.size(), 1u);
  EXPECT_EQ(m.parts[0].content_type, "text/html");
  EXPECT_EQ(m.parts[0].bytes, "<p>body</p>");
  EXPECT_FALSE(m.Header("Cc"));
}

TEST(SendMailTest, TlsRequestedButNotOfferedSendsNothing) {
  SmtpServerProcess server;
  Send send;
  send.to = u"to@example.com";
  send.tls = true;
  WideString result;
  try {
    SendMailMessage(send.to, u"", u"", u"s", u"b", u"", u"u", u"p", u"127.0.0.1", u"", u"", server.port(), true, result,
                    kTestReplyLimit);
    FAIL() << "sent without TLS";
  } catch (const Error& error) {
    EXPECT_EQ(error.message(), "SSL is not available on this server.");
  }
  EXPECT_EQ(result, kSendFailed);
  EXPECT_EQ(server.MessageCount(), 0);
}

TEST(SendMailTest, ConnectFailuresSetTheConnectText) {
  struct Case {
    WideString host;
    int32_t port;
    std::string error;
  };
  const Case cases[] = {{u"127.0.0.1", 0, "A Port is required"},
                        {u"127.0.0.1", 65536, "A Port is required"},
                        {u"", 25, "A Host is required"},
                        {u"127.0.0.1", testing::UnusedLoopbackPort(), "Connection refused"}};
  for (const auto& c : cases) {
    WideString result;
    try {
      SendMailMessage(u"a@x", u"", u"", u"s", u"b", u"", u"u", u"p", c.host, u"", u"", c.port, false, result);
      ADD_FAILURE() << "sent to port " << c.port;
    } catch (const Error& error) {
      EXPECT_EQ(error.message(), c.error);
    }
    EXPECT_EQ(result, kConnectFailed);
  }
}

TEST(SendMailTest, SendMailDeliversTheResultOnlyOnSuccess) {
  SmtpServerProcess server;
  WideString res = u"stale";
  SendMail(u"to@example.com", u"", u"", u"s", u"b", u"", u"", u"", u"127.0.0.1", server.port(), false, res);
  EXPECT_EQ(res, kMailSent);
  EXPECT_EQ(server.MessageCount(), 1);

  res = u"stale";
  EXPECT_THROW(SendMail(u"a@x", u"", u"", u"s", u"b", u"", u"", u"", u"127.0.0.1", 0, false, res), Error);
  EXPECT_EQ(res, u"stale");
}

}  // namespace
}  // namespace lumetra::mail
