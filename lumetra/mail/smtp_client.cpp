#include "lumetra/mail/smtp_client.h"

#include <algorithm>
#include <sstream>

#include "lumetra/automation/values/errors.h"
#include "lumetra/mail/base64_lines.h"
#include "lumetra/mail/dot_stuffing.h"
#include "lumetra/mail/header_text.h"
#include "lumetra/mail/single_bytes.h"

namespace lumetra::mail {
namespace {

std::string Upper(std::string text) {
  for (auto& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

std::string TrimBlanks(std::string text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.back())) text.pop_back();
  const auto first = std::find_if_not(text.begin(), text.end(), blank);
  return std::string(first, text.end());
}

}  // namespace

std::vector<std::string> CapabilitiesOf(const SmtpReply& ehlo_reply) {
  if (ehlo_reply.code != 250 || ehlo_reply.lines.empty()) return {};
  return std::vector<std::string>(ehlo_reply.lines.begin() + 1, ehlo_reply.lines.end());
}

bool HasCapability(const std::vector<std::string>& capabilities, std::string_view name) {
  return std::any_of(capabilities.begin(), capabilities.end(),
                     [&](const std::string& line) { return Upper(TrimBlanks(line)) == name; });
}

uint16_t SmtpPort(int32_t port, bool use_tls) {
  const auto low = static_cast<uint16_t>(static_cast<uint32_t>(port) & 0xFFFF);
  return use_tls && low == 465 ? 25 : low;
}

bool OffersLogin(const std::vector<std::string>& capabilities) {
  for (const auto& line : capabilities) {
    const std::string upper = Upper(line);
    if (upper.size() < 5 || upper.compare(0, 4, "AUTH") != 0 || (upper[4] != ' ' && upper[4] != '=')) continue;
    std::string names = upper.substr(5);
    std::replace(names.begin(), names.end(), '=', ' ');
    std::istringstream words(names);
    for (std::string name; words >> name;)
      if (name == "LOGIN") return true;
  }
  return false;
}

SmtpClient::SmtpClient(SmtpSettings settings, TlsStarter start_tls)
    : settings_(std::move(settings)), start_tls_(std::move(start_tls)) {}

SmtpClient::~SmtpClient() = default;

bool SmtpClient::Connected() const noexcept { return connection_ && connection_->IsOpen(); }

void SmtpClient::Connect() {
  if (settings_.host.empty()) throw Error("A Host is required");
  const uint16_t port = SmtpPort(settings_.port, settings_.use_tls);
  if (port == 0) throw Error("A Port is required");
  CloseNow();
  connection_ = std::make_unique<SmtpConnection>(Socket::Connect(ToUtf8(settings_.host), port, settings_.connect_limit),
                                                 settings_.reply_limit, settings_.conversation_limit);
  try {
    const SmtpReply greeting = connection_->ReadReply();
    if (greeting.code != 220) throw Error(greeting.Text());
    Greet();
  } catch (...) {
    CloseNow();
    throw;
  }
}

void SmtpClient::Greet() {
  const std::string own_name = LocalHostName();
  SmtpReply reply = connection_->Command("EHLO " + own_name);
  if (reply.code == 250) {
    capabilities_ = CapabilitiesOf(reply);
    return;
  }
  capabilities_.clear();
  reply = connection_->Command("HELO " + own_name);
  if (reply.code != 250) throw Error(reply.Text());
}

void SmtpClient::Deliver(WideStringView sender, const std::vector<WideString>& recipients, const MessageText& message) {
  if (!Connected()) throw Error("Not connected.");
  if (settings_.use_tls) UpgradeToTls();
  if (!settings_.user_name.empty() && OffersLogin(capabilities_)) Authenticate();

  Expect("MAIL FROM:<" + TrimBlanks(SafeAddress(sender)) + ">", 250);
  for (const auto& recipient : recipients) {
    const SmtpReply reply = connection_->Command("RCPT TO:<" + SafeAddress(recipient) + ">");
    if (reply.code != 250 && reply.code != 251) ResetAndFail(reply);
  }
  if (const SmtpReply reply = connection_->Command("DATA"); reply.code != 354) ResetAndFail(reply);
  DotStuffingSink data(*connection_);
  message.WriteTo(data);
  data.Finish();
  if (const SmtpReply reply = connection_->ReadReply(); reply.code != 250) ResetAndFail(reply);
}

void SmtpClient::UpgradeToTls() {
  if (!HasCapability(capabilities_, "STARTTLS")) {
    QuitAndClose();
    throw Error("SSL is not available on this server.");
  }
  if (connection_->Command("STARTTLS").code != 220) {
    QuitAndClose();
    throw Error("Start SSL negotiation command failed.");
  }
  try {
    TlsSettings tls;
    tls.server_name = ToUtf8(settings_.host);
    tls.verify_server_certificate = settings_.verify_server_certificate;
    connection_->StartTls(start_tls_, std::move(tls));
  } catch (const std::exception&) {
    CloseNow();
    throw Error("SSL negotiation failed.");
  }
  Greet();
}

void SmtpClient::Authenticate() {
  Expect("AUTH LOGIN", 334);
  const SmtpReply reply = Expect(Base64OneLine(ToSingleBytes(settings_.user_name)), 235, 334);
  if (reply.code == 334) Expect(Base64OneLine(ToSingleBytes(settings_.password)), 235);
}

SmtpReply SmtpClient::Expect(std::string_view command, int code, int other_code) {
  SmtpReply reply = connection_->Command(command);
  if (reply.code != code && (other_code == 0 || reply.code != other_code)) throw Error(reply.Text());
  return reply;
}

void SmtpClient::ResetAndFail(const SmtpReply& refused) {
  try {
    connection_->Command("RSET");
  } catch (const std::exception&) {
    // The refusal is what the caller needs to know.
  }
  throw Error(refused.Text());
}

void SmtpClient::Disconnect() {
  if (!connection_) return;
  try {
    connection_->Command("QUIT");
  } catch (const std::exception&) {
    // Saying goodbye is a courtesy; closing is what counts.
  }
  const auto connection = std::move(connection_);
  connection->Close();
}

void SmtpClient::QuitAndClose() noexcept {
  try {
    connection_->Command("QUIT");
  } catch (...) {
  }
  CloseNow();
}

void SmtpClient::CloseNow() noexcept {
  if (!connection_) return;
  try {
    connection_->Close();
  } catch (...) {
  }
  connection_.reset();
}

}  // namespace lumetra::mail
