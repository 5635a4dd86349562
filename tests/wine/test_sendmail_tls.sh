#!/usr/bin/env bash
# SendMail with TLS from VBScript through the registered server, over the
# system's Secure Channel (Wine's runs over the host's GnuTLS), to real SMTP
# servers (aiosmtpd) on loopback: one that requires STARTTLS and AUTH LOGIN
# receives a message with a 5 MB attachment byte for byte; a server without
# STARTTLS, one that answers STARTTLS with garbage and one that speaks nothing
# newer than TLS 1.1 fail with their texts;
# with the machine's setting VerifyServerCertificate on, a self-signed
# certificate is refused (and the reason logged) and one signed by a CA in the
# machine's trusted roots is accepted for the name it was made for. Wine's
# crypt32 takes the host's roots from /etc/ssl/certs, which a test must not
# change: the test CA goes into the prefix's own Root store instead
# (HKLM\Software\Microsoft\SystemCertificates\Root), added through
# CertAddEncodedCertificateToStore by lumetra_wine_trust_root.exe.
# No OpenSSL DLL is anywhere in the prefix.
source "$(dirname "$0")/lib.sh"
unset DISPLAY

ldconfig -p | grep -q 'libgnutls\.so\.30 .*x86-64' || fail "Wine's Secure Channel needs the host's 64-bit libgnutls.so.30"
openssl_dlls="$(find "$WINEPREFIX" "$(dirname "$LUMETRA_EXE")" -iregex '.*/\(libssl\|libcrypto\|ssleay32\|libeay32\)[^/]*\.dll')"
[[ -z "$openssl_dlls" ]] || fail "OpenSSL DLLs present: $openssl_dlls"
grep -a -q -i -E 'libssl|libcrypto|ssleay32|libeay32' "$LUMETRA_EXE" && fail "Lumetra.exe names an OpenSSL DLL"

dir="$work/sendmail_tls"
rm -rf "$dir" && mkdir -p "$dir"
head -c 5000000 /dev/urandom >"$dir/grande.bin"
attachment="$(winpath "$dir/grande.bin")"

# Starts smtp_server.py recording into $dir/NAME with the options given; sets $port.
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wineserver -k >/dev/null 2>&1 || true' EXIT
start_smtp() {
  local name="$1"
  shift
  mkdir -p "$dir/$name"
  # Debian's aiosmtpd loads in /usr/bin/python3, whatever python3 comes first on PATH.
  /usr/bin/python3 "$here/../../tools/smtp_server.py" --out "$dir/$name" "$@" >"$dir/$name.port" 2>"$dir/$name.err" &
  pids+=($!)
  wait_for "grep -qs '^PORT' '$dir/$name.port'" 30 || fail "the SMTP server $name did not start: $(cat "$dir/$name.err")"
  port="$(awk '/^PORT/ { print $2 }' "$dir/$name.port")"
}
strict=(--tls --auth --require-tls --require-auth)
start_smtp self_signed "${strict[@]}" && self_signed=$port
start_smtp ca_signed "${strict[@]}" --ca "$dir/ca" && ca_signed=$port
start_smtp plain && plain=$port
start_smtp garbage --garbage-tls && garbage=$port
start_smtp old --old-tls && old=$port

# Sends to HOST PORT and expects OUTCOME (see tls_mail_client.vbs).
send() { run_client cscript "$here/tls_mail_client.vbs" "$1" "$2" "$attachment" "$3"; }
hex() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n'; }
# The message the server NAME recorded: TLS, login and the attachment intact.
expect_received() {
  [[ -f "$dir/$1/msg-1.txt" ]] || fail "$1 received no message"
  [[ ! -f "$dir/$1/msg-2.txt" ]] || fail "$1 received more than one message"
  grep -q "^session 1 $(hex envios@example.com) $(hex secreto)\$" "$dir/$1/msg-1.txt" ||
    fail "$1: not TLS with AUTH LOGIN: $(head -1 "$dir/$1/msg-1.txt")"
  cmp -s "$dir/$1/msg-1-part-2.bin" "$dir/grande.bin" || fail "$1: the attachment did not arrive intact"
}
expect_nothing() { [[ ! -f "$dir/$1/msg-1.txt" ]] || fail "$1 received a message"; }
setting() { wreg add 'HKLM\SOFTWARE\Lumetra' /v VerifyServerCertificate /t REG_DWORD /d "$1" /f >/dev/null || fail "reg add"; }

register

# The default: no check of the certificate.
send 127.0.0.1 "$self_signed" sent
expect_received self_signed
send 127.0.0.1 "$plain" "SSL is not available on this server."
send 127.0.0.1 "$garbage" "SSL negotiation failed."
send 127.0.0.1 "$old" "SSL negotiation failed."  # TLS 1.1 at most
expect_nothing plain
expect_nothing garbage
expect_nothing old

# The check on: the test CA becomes a trusted root of the machine.
w "$LUMETRA_TRUST_ROOT_EXE" "$(winpath "$dir/ca/ca.der")" || fail "the test CA could not be trusted"
setting 1
rm -f "$dir/self_signed/msg-1.txt"
log="$work/sendmail_tls_refused.txt"
WINEDEBUG=-all,err+eventlog send localhost "$self_signed" "SSL negotiation failed." >"$log"
cat "$log"
[[ ! -f "$dir/self_signed/msg-1.txt" ]] || fail "the self-signed server received a message with the check on"
grep -q "The certificate of the mail server localhost was refused" "$log" || fail "the refusal was not logged"
send 127.0.0.1 "$ca_signed" "SSL negotiation failed."  # the certificate names localhost only
expect_nothing ca_signed
send localhost "$ca_signed" sent
expect_received ca_signed
setting 0
send localhost "$self_signed" sent

unregister
