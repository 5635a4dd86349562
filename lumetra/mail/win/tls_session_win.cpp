// TLS through the system's Secure Channel (SSPI, the "Microsoft Unified
// Security Protocol Provider"). secur32 and crypt32 are imported, not loaded:
// both are part of every Windows, so there is nothing to look for or to miss
// at run time, and the compiler checks every call against its declaration.
//
// Secure Channel works on caller buffers; the bytes travel through our Socket,
// so every TLS wait has the same bound as a plain one. Between records it
// hands back:
//   SEC_E_INCOMPLETE_MESSAGE  not a whole record yet: read more and try again;
//   SECBUFFER_EXTRA           bytes after the record (or after the handshake):
//                             kept for the next record;
//   SEC_I_RENEGOTIATE         handshake messages after the handshake (TLS 1.3
//                             session tickets, key updates): the handshake loop
//                             runs again on the extra bytes;
//   SEC_I_CONTEXT_EXPIRED     close notify: the stream ends (Receive gives 0).
// A record decrypted into more bytes than the caller asked for keeps the rest
// for the next Receive.
#define SECURITY_WIN32
#define SCHANNEL_USE_BLACKLISTS  // declares SCH_CREDENTIALS
#include <windows.h>
#include <wincrypt.h>
#include <subauth.h>  // UNICODE_STRING, used by SCH_CREDENTIALS
#include <schannel.h>
#include <security.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "lumetra/automation/values/errors.h"
#include "lumetra/mail/tls_session.h"

namespace lumetra::mail {
namespace {

constexpr std::size_t kReadChunk = 17 * 1024;        // a whole TLS record usually
constexpr std::size_t kLongestPending = 256 * 1024;  // no record is this long
constexpr std::size_t kRecordsPerSend = 4;
constexpr DWORD kEventCertificateRefused = 1;
constexpr DWORD kModernProtocols = SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT;
constexpr ULONG kRequest = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                           ISC_REQ_EXTENDED_ERROR | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM |
                           ISC_REQ_USE_SUPPLIED_CREDS | ISC_REQ_MANUAL_CRED_VALIDATION;

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
  return wide;
}

std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size, nullptr, nullptr);
  return utf8;
}

// "0x80096004 The signature of the certificate cannot be verified." and the like.
std::string CodeText(DWORD code) {
  char number[16];
  std::snprintf(number, sizeof number, "0x%08lX", static_cast<unsigned long>(code));
  std::string text = number;
  wchar_t* message = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
  if (length > 0 && message) {
    std::wstring detail(message, length);
    while (!detail.empty() && (detail.back() == L'\r' || detail.back() == L'\n' || detail.back() == L' '))
      detail.pop_back();
    text += ' ';
    text += Narrow(detail);
  }
  if (message) LocalFree(message);
  return text;
}

[[noreturn]] void Fail(const char* what, SECURITY_STATUS status) {
  throw Error(std::string("TLS: ") + what + ": " + CodeText(static_cast<DWORD>(status)));
}

// An error event from the source "Lumetra" in the application event log.
void ReportToEventLog(const std::string& text) {
  HANDLE source = RegisterEventSourceW(nullptr, L"Lumetra");
  if (!source) return;
  const std::wstring wide = Wide(text);
  const wchar_t* strings[] = {wide.c_str()};
  ReportEventW(source, EVENTLOG_ERROR_TYPE, 0, kEventCertificateRefused, nullptr, 1, 0, strings, nullptr);
  DeregisterEventSource(source);
}

// A buffer Secure Channel allocated (ISC_REQ_ALLOCATE_MEMORY), freed on every path.
class ContextBuffer {
 public:
  explicit ContextBuffer(void* buffer) : buffer_(buffer) {}
  ContextBuffer(const ContextBuffer&) = delete;
  ContextBuffer& operator=(const ContextBuffer&) = delete;
  ~ContextBuffer() {
    if (buffer_) FreeContextBuffer(buffer_);
  }

 private:
  void* buffer_;
};

const SecBuffer* FindBuffer(const SecBuffer* buffers, std::size_t count, ULONG type) {
  for (std::size_t i = 0; i < count; ++i)
    if (buffers[i].BufferType == type) return &buffers[i];
  return nullptr;
}

class SchannelSession final : public TlsSession {
 public:
  SchannelSession(Socket& socket, const TlsSettings& settings);
  ~SchannelSession() override { Release(); }

  void Send(std::string_view bytes) override;
  std::size_t Receive(char* buffer, std::size_t size) override;
  void Shutdown() noexcept override;

 private:
  void AcquireCredentials();
  void Negotiate(bool initial);
  void CheckServerCertificate();
  [[noreturn]] void Refuse(const std::string& reason);
  bool ReadMore();
  void KeepExtra(const SecBuffer* extra);
  wchar_t* Target() { return target_.empty() ? nullptr : target_.data(); }
  void Release() noexcept;

  Socket& socket_;
  std::chrono::milliseconds limit_;
  std::string host_;
  std::wstring target_;  // the host for SNI; empty for an address literal
  CredHandle credentials_{};
  CtxtHandle context_{};
  bool have_credentials_ = false;
  bool have_context_ = false;
  SecPkgContext_StreamSizes sizes_{};
  std::string incoming_;  // received and not yet decrypted (a partial record, or records after it)
  std::string plain_;     // decrypted and not yet handed out, from plain_at_
  std::size_t plain_at_ = 0;
  std::string outgoing_;
  bool closed_ = false;
};

SchannelSession::SchannelSession(Socket& socket, const TlsSettings& settings)
    : socket_(socket), limit_(settings.limit), host_(settings.server_name) {
  if (!host_.empty() && !IsAddressLiteral(host_)) target_ = Wide(host_);
  try {
    AcquireCredentials();
    Negotiate(true);
    if (const SECURITY_STATUS status = QueryContextAttributesW(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_);
        status != SEC_E_OK)
      Fail("stream sizes", status);
    if (sizes_.cbMaximumMessage == 0) throw Error("TLS: no room for data in a record");
    // Checked again: Secure Channels that take SCH_CREDENTIALS without its
    // protocol list (Wine's, for one) would otherwise settle for TLS 1.0.
    SecPkgContext_ConnectionInfo connection{};
    if (QueryContextAttributesW(&context_, SECPKG_ATTR_CONNECTION_INFO, &connection) == SEC_E_OK &&
        (connection.dwProtocol & ~kModernProtocols) != 0)
      throw Error("TLS: the server speaks nothing newer than TLS 1.1");
    if (settings.verify_server_certificate) CheckServerCertificate();
  } catch (...) {
    Release();  // the destructor does not run for a failed constructor
    throw;
  }
}

void SchannelSession::AcquireCredentials() {
  // Our own check, when asked for, happens after the handshake; Secure Channel
  // checks nothing itself and picks no client certificate.
  const DWORD flags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS | SCH_USE_STRONG_CRYPTO;
  // TLS 1.2 and newer. SCH_CREDENTIALS (Windows 10 1809 and newer, and needed
  // there for TLS 1.3) lists the protocols left out; older systems only know
  // SCHANNEL_CRED, which lists the ones used.
  TLS_PARAMETERS parameters{};
  parameters.grbitDisabledProtocols = ~kModernProtocols;
  SCH_CREDENTIALS credentials{};
  credentials.dwVersion = SCH_CREDENTIALS_VERSION;
  credentials.dwFlags = flags;
  credentials.cTlsParameters = 1;
  credentials.pTlsParameters = &parameters;
  SECURITY_STATUS status = AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND,
                                                     nullptr, &credentials, nullptr, nullptr, &credentials_, nullptr);
  if (status != SEC_E_OK) {
    SCHANNEL_CRED older{};
    older.dwVersion = SCHANNEL_CRED_VERSION;
    older.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
    older.dwFlags = flags;
    status = AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND, nullptr,
                                       &older, nullptr, nullptr, &credentials_, nullptr);
  }
  if (status != SEC_E_OK) Fail("credentials", status);
  have_credentials_ = true;
}

// The handshake loop: the first handshake (`initial`), or the messages that
// follow SEC_I_RENEGOTIATE, starting with the bytes kept in incoming_.
void SchannelSession::Negotiate(bool initial) {
  bool need_input = !initial && incoming_.empty();
  bool fresh = initial;  // no context yet: the first call takes no input
  for (;;) {
    if (need_input && !ReadMore()) throw Error("TLS: the server closed the connection during the handshake");
    SecBuffer in[2] = {{static_cast<ULONG>(incoming_.size()), SECBUFFER_TOKEN, incoming_.data()},
                       {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc in_desc{SECBUFFER_VERSION, 2, in};
    SecBuffer out[1] = {{0, SECBUFFER_TOKEN, nullptr}};
    SecBufferDesc out_desc{SECBUFFER_VERSION, 1, out};
    ULONG attributes = 0;
    const SECURITY_STATUS status =
        InitializeSecurityContextW(&credentials_, fresh ? nullptr : &context_, Target(), kRequest, 0, 0,
                                   fresh ? nullptr : &in_desc, 0, &context_, &out_desc, &attributes, nullptr);
    if (fresh && !FAILED(status)) have_context_ = true;
    fresh = false;
    const ContextBuffer token(out[0].pvBuffer);
    if (out[0].cbBuffer > 0 && out[0].pvBuffer) {
      const std::string_view bytes(static_cast<const char*>(out[0].pvBuffer), out[0].cbBuffer);
      if (FAILED(status)) {
        try {
          socket_.Send(bytes, limit_);  // the alert that tells the server why
        } catch (const std::exception&) {
        }
      } else {
        socket_.Send(bytes, limit_);
      }
    }
    if (status == SEC_E_INCOMPLETE_MESSAGE) {
      need_input = true;
      continue;
    }
    if (status == SEC_I_INCOMPLETE_CREDENTIALS) {  // asked for a client certificate: go on without one
      need_input = false;
      continue;
    }
    if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED) Fail("handshake", status);
    KeepExtra(FindBuffer(in, 2, SECBUFFER_EXTRA));
    if (status == SEC_E_OK) return;
    need_input = incoming_.empty();
  }
}

void SchannelSession::KeepExtra(const SecBuffer* extra) {
  if (extra && extra->cbBuffer > 0 && extra->cbBuffer <= incoming_.size())
    incoming_.erase(0, incoming_.size() - extra->cbBuffer);
  else
    incoming_.clear();
}

bool SchannelSession::ReadMore() {
  if (incoming_.size() > kLongestPending) throw Error("TLS: the server sent a record that is too long");
  const std::size_t size = incoming_.size();
  incoming_.resize(size + kReadChunk);
  std::size_t got = 0;
  try {
    got = socket_.Receive(incoming_.data() + size, kReadChunk, limit_);
  } catch (...) {
    incoming_.resize(size);
    throw;
  }
  incoming_.resize(size + got);
  return got > 0;
}

void SchannelSession::CheckServerCertificate() {
  PCCERT_CONTEXT certificate = nullptr;
  if (QueryContextAttributesW(&context_, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) != SEC_E_OK || !certificate)
    Refuse("the server sent no certificate");
  const std::unique_ptr<const CERT_CONTEXT, decltype(&CertFreeCertificateContext)> certificate_owner(
      certificate, &CertFreeCertificateContext);

  char server_auth[] = szOID_PKIX_KP_SERVER_AUTH;
  char* usages[] = {server_auth};
  CERT_CHAIN_PARA chain_para{};
  chain_para.cbSize = sizeof chain_para;
  chain_para.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
  chain_para.RequestedUsage.Usage.cUsageIdentifier = 1;
  chain_para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  // The server's other certificates (intermediates) are in the certificate's store.
  if (!CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &chain_para, 0, nullptr, &chain))
    Refuse(CodeText(GetLastError()));
  const std::unique_ptr<const CERT_CHAIN_CONTEXT, decltype(&CertFreeCertificateChain)> chain_owner(
      chain, &CertFreeCertificateChain);

  std::wstring name = Wide(host_);
  SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
  ssl.cbSize = sizeof ssl;
  ssl.dwAuthType = AUTHTYPE_SERVER;
  ssl.pwszServerName = name.data();
  CERT_CHAIN_POLICY_PARA policy{};
  policy.cbSize = sizeof policy;
  policy.pvExtraPolicyPara = &ssl;
  CERT_CHAIN_POLICY_STATUS result{};
  result.cbSize = sizeof result;
  if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &result))
    Refuse(CodeText(GetLastError()));
  if (result.dwError != 0) Refuse(CodeText(result.dwError));
}

void SchannelSession::Refuse(const std::string& reason) {
  const std::string text = "The certificate of the mail server " + host_ + " was refused: " + reason;
  ReportToEventLog(text);
  throw Error("TLS: " + text);
}

void SchannelSession::Send(std::string_view bytes) {
  const std::size_t header = sizes_.cbHeader, trailer = sizes_.cbTrailer;
  while (!bytes.empty()) {
    // A few records at a time, each within the largest message Secure Channel takes.
    outgoing_.clear();
    for (std::size_t record = 0; record < kRecordsPerSend && !bytes.empty(); ++record) {
      const std::size_t size = std::min<std::size_t>(bytes.size(), sizes_.cbMaximumMessage);
      const std::size_t at = outgoing_.size();
      outgoing_.resize(at + header + size + trailer);
      char* start = outgoing_.data() + at;
      std::memcpy(start + header, bytes.data(), size);
      SecBuffer buffers[4] = {{static_cast<ULONG>(header), SECBUFFER_STREAM_HEADER, start},
                              {static_cast<ULONG>(size), SECBUFFER_DATA, start + header},
                              {static_cast<ULONG>(trailer), SECBUFFER_STREAM_TRAILER, start + header + size},
                              {0, SECBUFFER_EMPTY, nullptr}};
      SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
      if (const SECURITY_STATUS status = EncryptMessage(&context_, 0, &desc, 0); status != SEC_E_OK)
        Fail("encrypt", status);
      // The trailer may come out shorter than its room.
      outgoing_.resize(at + buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer);
      bytes.remove_prefix(size);
    }
    socket_.Send(outgoing_, limit_);
  }
}

std::size_t SchannelSession::Receive(char* buffer, std::size_t size) {
  for (;;) {
    if (plain_at_ < plain_.size()) {
      const std::size_t count = std::min(size, plain_.size() - plain_at_);
      std::memcpy(buffer, plain_.data() + plain_at_, count);
      plain_at_ += count;
      return count;
    }
    if (closed_) return 0;
    if (!incoming_.empty()) {
      SecBuffer buffers[4] = {{static_cast<ULONG>(incoming_.size()), SECBUFFER_DATA, incoming_.data()},
                              {0, SECBUFFER_EMPTY, nullptr},
                              {0, SECBUFFER_EMPTY, nullptr},
                              {0, SECBUFFER_EMPTY, nullptr}};
      SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
      const SECURITY_STATUS status = DecryptMessage(&context_, &desc, 0, nullptr);
      if (status == SEC_E_OK || status == SEC_I_RENEGOTIATE || status == SEC_I_CONTEXT_EXPIRED) {
        // Decrypted in place: copy the data out before the extra bytes move.
        const SecBuffer* data = FindBuffer(buffers, 4, SECBUFFER_DATA);
        if (data && data->cbBuffer > 0 && data->pvBuffer)
          plain_.assign(static_cast<const char*>(data->pvBuffer), data->cbBuffer);
        else
          plain_.clear();
        plain_at_ = 0;
        KeepExtra(FindBuffer(buffers, 4, SECBUFFER_EXTRA));
        if (status == SEC_I_CONTEXT_EXPIRED) closed_ = true;  // close notify ends the stream
        if (status == SEC_I_RENEGOTIATE) Negotiate(false);
        continue;
      }
      if (status != SEC_E_INCOMPLETE_MESSAGE) Fail("decrypt", status);
    }
    if (!ReadMore()) return 0;  // the server hung up without close notify
  }
}

void SchannelSession::Shutdown() noexcept {
  if (!have_context_) return;
  try {
    DWORD type = SCHANNEL_SHUTDOWN;
    SecBuffer control{sizeof type, SECBUFFER_TOKEN, &type};
    SecBufferDesc control_desc{SECBUFFER_VERSION, 1, &control};
    if (ApplyControlToken(&context_, &control_desc) != SEC_E_OK) return;
    SecBuffer out{0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc out_desc{SECBUFFER_VERSION, 1, &out};
    ULONG attributes = 0;
    const SECURITY_STATUS status = InitializeSecurityContextW(&credentials_, &context_, Target(), kRequest, 0, 0,
                                                              nullptr, 0, &context_, &out_desc, &attributes, nullptr);
    const ContextBuffer token(out.pvBuffer);
    if (!FAILED(status) && out.cbBuffer > 0 && out.pvBuffer)
      socket_.Send(std::string_view(static_cast<const char*>(out.pvBuffer), out.cbBuffer), limit_);
  } catch (...) {
  }
}

void SchannelSession::Release() noexcept {
  if (std::exchange(have_context_, false)) DeleteSecurityContext(&context_);
  if (std::exchange(have_credentials_, false)) FreeCredentialsHandle(&credentials_);
}

}  // namespace

std::unique_ptr<TlsSession> StartTlsSession(Socket& socket, const TlsSettings& settings) {
  return std::make_unique<SchannelSession>(socket, settings);
}

bool VerifyServerCertificateSetting() {
  // The 64-bit view in every build: one setting per machine.
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Lumetra", 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) !=
      ERROR_SUCCESS)
    return false;
  DWORD value = 0, type = 0, size = sizeof value;
  const LONG result =
      RegQueryValueExW(key, L"VerifyServerCertificate", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS && type == REG_DWORD && value == 1;
}

}  // namespace lumetra::mail
