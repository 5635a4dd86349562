// SendMail with a 25 MiB attachment to the loopback SMTP server (aiosmtpd,
// discarding what it receives), against curl's SMTP upload of the same file
// in the same run, in plain text and with STARTTLS (a second server, whose
// self-signed certificate neither client checks). Each send runs in a fresh process (this program started
// again with --send, or curl) so that its wall time and peak resident memory
// are its own. Goals: within 1.2x of curl's time; peak memory under 3x the
// attachment size.
//
// Usage: mail_bench [rounds]        (default 3; medians are reported)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "process_run.h"
#include "lumetra/mail/send_mail.h"
#include "smtp_server_process.h"

namespace {

constexpr std::size_t kAttachmentBytes = 25u * 1024 * 1024;

using bench::Measure;
using bench::Run;

Run Median(std::vector<Run> runs) {
  const auto middle = runs.size() / 2;
  std::nth_element(runs.begin(), runs.begin() + middle, runs.end(),
                   [](const Run& a, const Run& b) { return a.seconds < b.seconds; });
  Run median = runs[middle];
  for (const auto& run : runs) {
    median.peak_kib = std::max(median.peak_kib, run.peak_kib);
    median.ok = median.ok && run.ok;
  }
  return median;
}

int SendOnce(const char* port, const char* file, bool tls) {
  using lumetra::FromUtf8;
  lumetra::WideString result;
  try {
    lumetra::mail::SendMailMessage(u"to@example.com", u"", u"", u"Bench", u"<p>25 MiB attached</p>", FromUtf8(file),
                                   u"sender@example.com", u"", u"127.0.0.1", u"", u"", std::atoi(port), tls, result);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "send failed: %s\n", error.what());
    return 1;
  }
  return 0;
}

void Report(const char* name, const Run& run) {
  std::printf("%-34s %8.3f s %10.1f MiB %s\n", name, run.seconds, run.peak_kib / 1024.0, run.ok ? "" : "FAILED");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--send") return SendOnce(argv[2], argv[3], false);
  if (argc == 4 && std::string(argv[1]) == "--send-tls") return SendOnce(argv[2], argv[3], true);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;

  lumetra::mail::testing::SmtpServerProcess server({"--discard"});
  lumetra::mail::testing::SmtpServerProcess tls_server({"--discard", "--tls"});
  const auto file = server.folder() / "attachment.bin";
  {
    std::mt19937_64 random(7);
    std::vector<uint64_t> words(kAttachmentBytes / 8);
    for (auto& word : words) word = random();
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(words.data()), static_cast<std::streamsize>(kAttachmentBytes));
  }
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  const std::string port = std::to_string(server.port());
  const std::string url = "smtp://127.0.0.1:" + port;
  const std::vector<std::string> curl_mime = {"/usr/bin/curl",
                                              "-sS",
                                              url,
                                              "--mail-from",
                                              "sender@example.com",
                                              "--mail-rcpt",
                                              "to@example.com",
                                              "-H",
                                              "Subject: Bench",
                                              "-F",
                                              "=25 MiB attached;type=text/html",
                                              "-F",
                                              "=@" + file.string() + ";encoder=base64"};

  const std::string tls_port = std::to_string(tls_server.port());
  std::vector<std::string> curl_tls = curl_mime;
  curl_tls[2] = "smtp://127.0.0.1:" + tls_port;
  curl_tls.insert(curl_tls.begin() + 2, {"--ssl-reqd", "--insecure"});

  std::vector<Run> ours, curl, ours_tls, curl_tls_runs;
  for (int i = 0; i < rounds; ++i) {
    ours.push_back(Measure({self, "--send", port, file.string()}));
    curl.push_back(Measure(curl_mime));
    ours_tls.push_back(Measure({self, "--send-tls", tls_port, file.string()}));
    curl_tls_runs.push_back(Measure(curl_tls));
  }
  const Run our = Median(ours), theirs = Median(curl);
  const Run our_tls = Median(ours_tls), theirs_tls = Median(curl_tls_runs);
  std::printf("%d rounds, attachment %zu bytes, medians of wall time, highest peak RSS\n", rounds, kAttachmentBytes);
  Report("Lumetra SendMailMessage", our);
  Report("curl SMTP upload (MIME, base64)", theirs);
  Report("Lumetra SendMailMessage, STARTTLS", our_tls);
  Report("curl SMTP upload, STARTTLS", theirs_tls);
  const double time_ratio = our.seconds / theirs.seconds;
  const double memory_ratio = our.peak_kib * 1024.0 / kAttachmentBytes;
  std::printf("time vs curl: %.2fx (goal <= 1.2x) %s\n", time_ratio, time_ratio <= 1.2 ? "met" : "MISSED");
  std::printf("peak memory vs attachment: %.2fx (goal < 3x) %s\n", memory_ratio, memory_ratio < 3 ? "met" : "MISSED");
  return our.ok && theirs.ok && our_tls.ok && theirs_tls.ok ? 0 : 1;
}
