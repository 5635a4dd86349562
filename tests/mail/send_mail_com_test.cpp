// SendMail through the automation object: a delivered message gives S_OK and
// the result text; any failure is an automation error with its message and
// no result.
#include <gtest/gtest.h>

#include "lumetra/automation/lumetra_com.h"
#include "smtp_server_process.h"

namespace lumetra {
namespace {

class RecordingReporter : public ErrorReporter {
 public:
  bool Report(const ErrorInfo& info) noexcept override {
    reports.push_back(info);
    return true;
  }
  std::vector<ErrorInfo> reports;
};

TEST(LumetraComSendMailTest, DeliversToTheServer) {
  mail::testing::SmtpServerProcess server;
  RecordingReporter reporter;
  LumetraCOM com(reporter);
  WideString res = u"stale";
  EXPECT_EQ(com.SendMail(u"to@example.com; other@example.com", u"cc@example.com", u"bcc@example.com", u"Asunto",
                         u"<b>Mensaje</b>", u"", u"me@example.com", u"", u"127.0.0.1", server.port(), false, res),
            kOk);
  EXPECT_EQ(res, u"Correo enviado correctamente.");
  EXPECT_TRUE(reporter.reports.empty());
  ASSERT_EQ(server.MessageCount(), 1);
  const auto m = server.Message(1);
  EXPECT_EQ(m.recipients,
            (std::vector<std::string>{"to@example.com", "other@example.com", "cc@example.com", "bcc@example.com"}));
  EXPECT_EQ(m.Header("Subject"), "Asunto");
  ASSERT_EQ(m.parts.size(), 1u);
  EXPECT_EQ(m.parts[0].bytes, "<b>Mensaje</b>");
}

TEST(LumetraComSendMailTest, FailuresAreAutomationErrorsWithoutResult) {
  struct Case {
    int32_t port;
    bool tls;
    const char16_t* description;
  };
  mail::testing::SmtpServerProcess plain_server;  // offers no STARTTLS
  const Case cases[] = {{0, false, u"A Port is required"},
                        {65536, false, u"A Port is required"},
                        {mail::testing::UnusedLoopbackPort(), false, u"Connection refused"},
                        {plain_server.port(), true, u"SSL is not available on this server."}};
  for (const auto& c : cases) {
    RecordingReporter reporter;
    LumetraCOM com(reporter);
    WideString res = u"stale";
    EXPECT_EQ(com.SendMail(u"to@example.com", u"", u"", u"s", u"m", u"", u"", u"", u"127.0.0.1", c.port, c.tls, res),
              kUnexpected);
    EXPECT_EQ(res, u"");
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].description, c.description);
    EXPECT_EQ(reporter.reports[0].source, u"Lumetra.LumetraCOM");
  }
  EXPECT_EQ(plain_server.MessageCount(), 0);
}

}  // namespace
}  // namespace lumetra
