#!/usr/bin/env bash
# SendMail from VBScript through the registered server to a real SMTP server
# (aiosmtpd) on loopback, without TLS; the server's parser reads the message back.
source "$(dirname "$0")/lib.sh"
unset DISPLAY

dir="$work/sendmail"
rm -rf "$dir" && mkdir -p "$dir/out"
head -c 100000 /dev/urandom >"$dir/datos.bin"
printf 'uno;dos\r\n' >"$dir/tabla.csv"

# Debian's aiosmtpd loads in /usr/bin/python3, whatever python3 comes first on PATH.
coproc SMTP { exec /usr/bin/python3 "$here/../../tools/smtp_server.py" --out "$dir/out" 2>"$dir/smtp.err"; }
smtp_pid=$SMTP_PID
trap 'kill $smtp_pid 2>/dev/null; wineserver -k >/dev/null 2>&1 || true' EXIT
read -r -t 30 word port <&"${SMTP[0]}" || fail "the SMTP server did not start: $(cat "$dir/smtp.err")"
[[ "$word" == PORT ]] || fail "unexpected SMTP server output: $word $port"

register
run_client cscript "$here/mail_client.vbs" "$port" "$(winpath "$dir/datos.bin")" "$(winpath "$dir/tabla.csv")"
unregister

record="$dir/out/msg-1.txt"
wait_for "[[ -f '$record' ]]" 30 || fail "the server received no message"
[[ ! -f "$dir/out/msg-2.txt" ]] || fail "more than one message arrived"

# Every recipient, header and attachment as the server's parser read them.
/usr/bin/python3 - "$dir" <<'PY' || fail "the message does not read back as sent"
import sys
d = sys.argv[1]
rows = [line.split(" ") for line in open(d + "/out/msg-1.txt").read().splitlines()]
text = lambda h: bytes.fromhex(h).decode("utf-8") if h != "-" else ""
rcpts = [text(r[1]) for r in rows if r[0] == "rcpt"]
headers = {r[1].lower(): text(r[2]) for r in rows if r[0] == "header"}
parts = [r for r in rows if r[0] == "part"]
problems = []
def expect(what, actual, expected):
    if actual != expected:
        problems.append("%s: %r, expected %r" % (what, actual, expected))
expect("envelope recipients", rcpts, ["ana@example.com", "beto@example.com", "carla@example.com", "dario@example.com"])
expect("envelope sender", text([r for r in rows if r[0] == "mail_from"][0][1]), "envios@example.com")
expect("subject", headers.get("subject"), "Año nuevo")
expect("no Bcc header", "bcc" in headers, False)
expect("Cc header has carla", "carla@example.com" in headers.get("cc", ""), True)
expect("To header has beto", "beto@example.com" in headers.get("to", ""), True)
expect("part types", [p[1] for p in parts], ["text/html", "application/octet-stream", "text/csv"])
expect("file names", [text(p[3]) for p in parts[1:]], ["datos.bin", "tabla.csv"])
expect("attachment 1 bytes", open(d + "/out/msg-1-part-2.bin", "rb").read(), open(d + "/datos.bin", "rb").read())
expect("attachment 2 bytes", open(d + "/out/msg-1-part-3.bin", "rb").read(), open(d + "/tabla.csv", "rb").read())
body = open(d + "/out/msg-1-part-1.bin", "rb").read().decode("latin-1")
expect("body keeps the line with a leading dot", ".línea con punto" in body, True)
expect("parser defects", [r[1] for r in rows if r[0] == "defects"], ["0"])
for p in problems:
    print("FAIL:", p)
sys.exit(1 if problems else 0)
PY
