// The SMTP conversation against a scripted server: the order of commands,
// the replies accepted and the failure of each step.
#include <gtest/gtest.h>

#include <functional>

#include "lumetra/automation/values/errors.h"
#include "lumetra/mail/base64_lines.h"
#include "lumetra/mail/smtp_client.h"
#include "scripted_smtp_server.h"
#include "smtp_server_process.h"

namespace lumetra::mail {
namespace {

using testing::ScriptedSmtpServer;
using testing::SmtpScript;
using testing::SmtpStream;
using Verbs = std::vector<std::string>;

std::unique_ptr<TlsSession> NoTls(Socket&, const TlsSettings&) { throw Error("not loaded on purpose"); }
const TextInMemory kMessage("Subject: test\r\n\r\nbody\r\n");
using std::chrono::milliseconds;

struct Outcome {
  std::string failed_in;  // "", "Connect" or "Deliver"
  std::string error;
  bool connected_after_failure = false;
};

struct Conversation {
  WideString user = u"";
  bool tls = false;
  std::vector<WideString> recipients = {u"r1@x.com"};
  std::chrono::milliseconds reply_limit{5000};
  std::chrono::milliseconds conversation_limit = kDefaultConversationLimit;
  std::string message = "Subject: test\r\n\r\nbody\r\n";
  TlsStarter start_tls = StartTlsSession;
};

// Connects, delivers and disconnects as SendMail does.
Outcome Converse(ScriptedSmtpServer& server, const Conversation& how) {
  SmtpSettings settings;
  settings.host = u"127.0.0.1";
  settings.port = server.port();
  settings.user_name = how.user;
  settings.password = u"secret";
  settings.use_tls = how.tls;
  settings.reply_limit = how.reply_limit;
  settings.conversation_limit = how.conversation_limit;
  SmtpClient client(settings, how.start_tls);
  Outcome outcome;
  try {
    outcome.failed_in = "Connect";
    client.Connect();
    outcome.failed_in = "Deliver";
    client.Deliver(u"sender@x.com", how.recipients, TextInMemory(how.message));
    outcome.failed_in = "";
    if (client.Connected()) client.Disconnect();
    EXPECT_FALSE(client.Connected());
  } catch (const Error& error) {
    outcome.error = error.message();
    outcome.connected_after_failure = client.Connected();
  }
  return outcome;
}

struct Scenario {
  const char* name;
  std::function<void(SmtpScript&)> script;
  Conversation how;
  Outcome expected;
  Verbs verbs;
};

TEST(SmtpClientTest, ConversationsAndTheirFailures) {
  const auto reply = [](const char* verb, const char* text) { return [=](SmtpScript& s) { s.replies[verb] = text; }; };
  const auto no_change = [](SmtpScript&) {};
  const auto stream = [](const char* verb, SmtpStream how) { return [=](SmtpScript& s) { s.streams[verb] = how; }; };
  const SmtpStream trickle_greeting{"220 trickling\r\n", 1, milliseconds(100)};
  const SmtpStream trickle_queued{"250 queued\r\n", 1, milliseconds(100)};
  const SmtpStream late_ehlo{"250 scripted\r\n", 0, milliseconds(700)};
  const SmtpStream late_queued{"250 queued\r\n", 0, milliseconds(700)};
  const SmtpStream short_lines{"250-flood\r\n", 0, {}, true};
  const SmtpStream long_lines{"250-" + std::string(1000, 'x') + "\r\n", 0, {}, true};
  const SmtpStream endless_line{"220 " + std::string(1000, 'x'), 0, {}, true};
  const char* const too_long = "The server sent a reply that is too long.";
  const char* const too_slow = "The conversation with the server took longer than 300 ms.";
  // One scenario to a line or two, laid out by hand.
  // clang-format off
  const Scenario scenarios[] = {
      {"authenticated delivery", no_change, {.user = u"user"}, {}, {"EHLO", "AUTH", "CRED", "CRED", "MAIL", "RCPT", "DATA", "QUIT"}},
      {"no user name: no AUTH", no_change, {}, {}, {"EHLO", "MAIL", "RCPT", "DATA", "QUIT"}},
      {"greeting not 220", [](SmtpScript& s) { s.greeting = "554 go away"; }, {}, {"Connect", "go away"}, {}},
      {"EHLO refused, HELO accepted, no AUTH without capabilities", reply("EHLO", "502 no EHLO here"),
       {.user = u"user"}, {}, {"EHLO", "HELO", "MAIL", "RCPT", "DATA", "QUIT"}},
      {"HELO refused too", [](SmtpScript& s) { s.replies["EHLO"] = "500 no"; s.replies["HELO"] = "501 who are you"; },
       {}, {"Connect", "who are you"}, {"EHLO", "HELO"}},
      {"TLS requested, no STARTTLS offered", reply("EHLO", "250-scripted\r\n250 AUTH LOGIN"), {.tls = true},
       {"Deliver", "SSL is not available on this server."}, {"EHLO", "QUIT"}},
      {"TLS requested after HELO", reply("EHLO", "502 no"), {.tls = true},
       {"Deliver", "SSL is not available on this server."}, {"EHLO", "HELO", "QUIT"}},
      {"STARTTLS refused", reply("STARTTLS", "454 TLS not available now"), {.tls = true},
       {"Deliver", "Start SSL negotiation command failed."}, {"EHLO", "STARTTLS", "QUIT"}},
      {"TLS handshake fails", [](SmtpScript& s) { s.garbage_after_starttls = true; }, {.tls = true},
       {"Deliver", "SSL negotiation failed."}, {"EHLO", "STARTTLS"}},
      {"TLS library missing", no_change, {.tls = true, .start_tls = NoTls},
       {"Deliver", "SSL negotiation failed."}, {"EHLO", "STARTTLS"}},
      {"TLS not requested although offered", no_change, {}, {}, {"EHLO", "MAIL", "RCPT", "DATA", "QUIT"}},
      {"LOGIN not offered", reply("EHLO", "250-scripted\r\n250 AUTH PLAIN CRAM-MD5"), {.user = u"user"}, {},
       {"EHLO", "MAIL", "RCPT", "DATA", "QUIT"}},
      {"user name accepted without password", reply("CRED1", "235 fine"), {.user = u"user"}, {},
       {"EHLO", "AUTH", "CRED", "MAIL", "RCPT", "DATA", "QUIT"}},
      {"AUTH LOGIN refused", reply("AUTH", "504 not that one"), {.user = u"user"}, {"Deliver", "not that one", true},
       {"EHLO", "AUTH"}},
      {"password refused", reply("CRED2", "535 bad credentials"), {.user = u"user"},
       {"Deliver", "bad credentials", true}, {"EHLO", "AUTH", "CRED", "CRED"}},
      {"MAIL FROM refused", reply("MAIL", "553 sender rejected"), {}, {"Deliver", "sender rejected", true},
       {"EHLO", "MAIL"}},
      {"251 accepted like 250", [](SmtpScript& s) { s.rcpt_replies = {"251 will forward"}; },
       {.recipients = {u"a@x", u"b@x"}}, {}, {"EHLO", "MAIL", "RCPT", "RCPT", "DATA", "QUIT"}},
      {"recipient refused: RSET, no further RCPT",
       [](SmtpScript& s) { s.rcpt_replies = {"250 ok", "550 no such user"}; },
       {.recipients = {u"a@x", u"b@x", u"c@x"}}, {"Deliver", "no such user", true},
       {"EHLO", "MAIL", "RCPT", "RCPT", "RSET"}},
      {"duplicates each get a RCPT", no_change, {.recipients = {u"a@x", u"a@x"}}, {},
       {"EHLO", "MAIL", "RCPT", "RCPT", "DATA", "QUIT"}},
      {"DATA refused", reply("DATA", "554 no valid recipients"), {}, {"Deliver", "no valid recipients", true},
       {"EHLO", "MAIL", "RCPT", "DATA", "RSET"}},
      {"no recipients: DATA anyway", reply("DATA", "503 need RCPT first"), {.recipients = {}},
       {"Deliver", "need RCPT first", true}, {"EHLO", "MAIL", "DATA", "RSET"}},
      {"end of data refused", reply(".", "552 too big"), {}, {"Deliver", "too big", true},
       {"EHLO", "MAIL", "RCPT", "DATA", "RSET"}},
      {"QUIT refused: still a success", reply("QUIT", "500 what"), {}, {}, {"EHLO", "MAIL", "RCPT", "DATA", "QUIT"}},
      {"silent server hits the reply limit", reply("EHLO", ""), {.reply_limit = std::chrono::milliseconds(300)},
       {"Connect", "The server did not reply within 300 ms."}, {"EHLO"}},
      {"silence after the data", reply(".", ""), {.reply_limit = std::chrono::milliseconds(300)},
       {"Deliver", "The server did not reply within 300 ms.", true}, {"EHLO", "MAIL", "RCPT", "DATA"}},
      {"greeting trickled byte by byte: the limit covers the whole reply", stream("GREETING", trickle_greeting),
       {.reply_limit = milliseconds(400)}, {"Connect", "The server did not reply within 400 ms."}, {}},
      {"end-of-data reply trickled", stream(".", trickle_queued), {.reply_limit = milliseconds(400)},
       {"Deliver", "The server did not reply within 400 ms.", true}, {"EHLO", "MAIL", "RCPT", "DATA"}},
      {"endless continuation lines", stream("EHLO", short_lines), {}, {"Connect", too_long}, {"EHLO"}},
      {"long continuation lines", stream("EHLO", long_lines), {}, {"Connect", too_long}, {"EHLO"}},
      {"one endless line without CR LF", stream("GREETING", endless_line), {}, {"Connect", too_long}, {}},
      {"conversation longer than its total limit", stream("EHLO", late_ehlo),
       {.conversation_limit = milliseconds(300)}, {"Connect", too_slow}, {"EHLO"}},
      {"a short message earns no time for a slow end of data", stream(".", late_queued),
       {.conversation_limit = milliseconds(300)}, {"Deliver", too_slow, true}, {"EHLO", "MAIL", "RCPT", "DATA"}},
      {"a long message earns time for its upload", stream(".", late_queued),
       {.conversation_limit = milliseconds(300), .message = std::string(64 * 1024, 'm')}, {},
       {"EHLO", "MAIL", "RCPT", "DATA", "QUIT"}},
  };
  // clang-format on
  for (const auto& scenario : scenarios) {
    SCOPED_TRACE(scenario.name);
    SmtpScript script;
    scenario.script(script);
    ScriptedSmtpServer server(script);
    const Outcome outcome = Converse(server, scenario.how);
    EXPECT_EQ(outcome.failed_in, scenario.expected.failed_in);
    EXPECT_EQ(outcome.error, scenario.expected.error);
    EXPECT_EQ(outcome.connected_after_failure, scenario.expected.connected_after_failure);
    EXPECT_EQ(server.Verbs(), scenario.verbs);
  }
}

TEST(SmtpClientTest, SendsTheEnvelopeAndTheDotStuffedText) {
  ScriptedSmtpServer server({});
  SmtpSettings settings;
  settings.host = u"127.0.0.1";
  settings.port = server.port();
  SmtpClient client(settings);
  client.Connect();
  EXPECT_EQ(client.capabilities(), (std::vector<std::string>{"AUTH PLAIN LOGIN", "STARTTLS"}));
  client.Deliver(u"  sender@x.com \t", {u"a@x.com", u"b@x.com\r\nRSET"}, TextInMemory("a\r\n.b\r\n.\r\nlast"));
  client.Disconnect();
  const auto commands = server.Commands();
  ASSERT_EQ(commands.size(), 6u);
  EXPECT_EQ(commands[0].rfind("EHLO ", 0), 0u);
  EXPECT_GT(commands[0].size(), 5u) << "EHLO names this computer";
  EXPECT_EQ(commands[1], "MAIL FROM:<sender@x.com>");
  EXPECT_EQ(commands[2], "RCPT TO:<a@x.com>");
  EXPECT_EQ(commands[3], "RCPT TO:<b@x.comRSET>") << "a line break cannot start a command";
  EXPECT_EQ(commands[4], "DATA");
  EXPECT_EQ(commands[5], "QUIT");
  EXPECT_EQ(server.Data(), "a\r\n..b\r\n..\r\nlast\r\n");
}

TEST(SmtpClientTest, CredentialsAreOneBytePerCharacterInBase64) {
  ScriptedSmtpServer server({});
  SmtpSettings settings;
  settings.host = u"127.0.0.1";
  settings.port = server.port();
  settings.user_name = u"us\u00e9r\u20ac";
  settings.password = u"p\U0001F600";
  SmtpClient client(settings);
  client.Connect();
  client.Deliver(u"", {u"a@x"}, kMessage);
  client.Disconnect();
  const auto commands = server.Commands();
  ASSERT_GE(commands.size(), 5u);
  EXPECT_EQ(commands[1], "AUTH LOGIN");
  EXPECT_EQ(commands[2], Base64OneLine("us\xe9r?"));
  EXPECT_EQ(commands[3], Base64OneLine("p??"));
  EXPECT_EQ(commands[4], "MAIL FROM:<>");
}

TEST(SmtpClientTest, ConnectFailsBeforeAnyNetworkForHostAndPort) {
  struct Case {
    WideString host;
    int32_t port;
    const char* error;
  };
  const Case cases[] = {{u"", 25, "A Host is required"},
                        {u"127.0.0.1", 0, "A Port is required"},
                        {u"127.0.0.1", 65536, "A Port is required"}};
  for (const auto& c : cases) {
    SmtpSettings settings;
    settings.host = c.host;
    settings.port = c.port;
    SmtpClient client(settings);
    try {
      client.Connect();
      ADD_FAILURE() << "connected to " << c.port;
    } catch (const Error& error) {
      EXPECT_EQ(error.message(), c.error);
    }
    EXPECT_FALSE(client.Connected());
  }
}

TEST(SmtpClientTest, ARefusedConnectionReportsTheSocketError) {
  SmtpSettings settings;
  settings.host = u"127.0.0.1";
  settings.port = testing::UnusedLoopbackPort();
  SmtpClient client(settings);
  try {
    client.Connect();
    FAIL() << "connected to an unused port";
  } catch (const Error& error) {
    EXPECT_EQ(error.message(), "Connection refused");
  }
  EXPECT_FALSE(client.Connected());
}

}  // namespace
}  // namespace lumetra::mail
