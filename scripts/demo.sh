#!/usr/bin/env bash
# The main job: builds the Windows programs and runs them under Wine, as a
# user would: installs Lumetra into a Wine prefix of its own, runs the script
# client demo/demo.vbs with cscript (JSON, DSToJSON, SendMail over STARTTLS to
# a local SMTP server, Base64 files, Version), then installs a Tolvane
# instance that keeps a small worker alive, makes its log stale and shows
# Tolvane restart it. One line per step; any failed step ends the demo with
# "demo FAILED" and a non-zero exit. Later runs reuse the build and the prefix.
# Details in docs/demo.md.
# Usage: scripts/demo.sh                         the Windows programs under Wine
#        scripts/demo.sh --native [FOLDER]       the portable core only (no Wine), output files in FOLDER
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

# Lumetra's installed folder in the prefix, and its Windows form.
install_dir_win='C:\Program Files\Lumetra'

# Installs Lumetra into the prefix from its MSI, as an administrator would
# (per machine, Lumetra.exe registered by the package, Tolvane beside it).
install_lumetra() { quietly msiexec_install timeout 300 wine msiexec /i "$(winpath "$msi")" /qn; }

# Removes it with the same package.
remove_lumetra() { quietly msiexec_remove timeout 300 wine msiexec /x "$(winpath "$msi")" /qn; }

if [[ "${1:-}" == "--native" ]]; then
  scripts/setup.sh native
  cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build/native -j2 --target lumetra_demo
  build/native/demo/lumetra_demo "${2:-build/demo-output}"
  exit 0
fi

build="$root/build/windows"
out="$root/build/demo-wine"
export WINEPREFIX="$root/build/demo-wineprefix"
export WINEARCH=win64 WINEDEBUG=-all
# No Mono or Gecko install dialogs in a fresh prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY  # nothing of the demo needs a display; the tray icon goes without one

# --- Steps and failures --------------------------------------------------------------------------
started_at=$SECONDS
step_number=0
step_name="start"
step() {
  step_number=$((step_number + 1))
  step_name="$1"
  printf '[%2d] %s\n' "$step_number" "$1"
}
# Prints a detail of the current step.
say() { printf '     %s\n' "$*"; }
fail() {
  echo "demo FAILED in step $step_number ($step_name): $*" >&2
  exit 1
}
# Runs a command with its output into the file $out/NAME.log, shown only when it fails.
quietly() {
  local name="$1"
  shift
  "$@" >"$out/$name.log" 2>&1 || {
    local status=$?
    tail -30 "$out/$name.log" | sed 's/^/     | /' >&2
    fail "$* exited $status (log: build/demo-wine/$name.log)"
  }
}

# Runs a Windows program under Wine, bounded in time; its output goes through a file (a COM
# server started by a client inherits the client's standard handles) into $out/wine.log.
wine_run() { timeout 120 wine "$@" >>"$out/wine.log" 2>&1; }

source "$root/scripts/wine_helpers.sh"  # winpath, wait_for

# --- Clean-up, whatever the outcome -----------------------------------------------------------
smtp_pid=
session_writer=
hold_dir=
service=TolvaneServDemo
service_installed=
cleanup() {
  local status=$?
  [[ -n "$smtp_pid" ]] && kill "$smtp_pid" 2>/dev/null
  if [[ -n "$service_installed" ]]; then
    timeout 60 wine sc stop "$service" >/dev/null 2>&1
    timeout 60 wine sc delete "$service" >/dev/null 2>&1
  fi
  if [[ -n "$session_writer" ]]; then
    # The session ends by itself once its holder reads the end of its pipe; Wine then saves
    # its registry.
    kill "$session_writer" 2>/dev/null
    timeout 60 wineserver -w >/dev/null 2>&1 || wineserver -k >/dev/null 2>&1
  fi
  [[ -n "$hold_dir" ]] && rm -rf "$hold_dir"
  if [[ $status -ne 0 ]]; then
    echo "demo FAILED (exit $status) after $((SECONDS - started_at)) s" >&2
  fi
  return 0
}
trap cleanup EXIT
trap 'exit 1' TERM INT
trap 'fail "a command failed (line $LINENO)"' ERR

rm -rf "$out"
mkdir -p "$out"

# --- Build -------------------------------------------------------------------------------------
step "build the Windows programs (Lumetra.exe, Tolvane.exe, a stand-in worker) with mingw-w64, and the MSI"
quietly setup scripts/setup.sh native windows
# The one Windows build of the project (libxml2 for Windows from Debian's source package,
# cached outside the clone), then the packages made from it.
quietly build scripts/build_windows.sh Lumetra Tolvane tolvane_wine_worker
quietly package scripts/package.sh
msi="$(scripts/package.sh --print-paths | sed -n 1p)"  # sed reads to the end: no SIGPIPE for package.sh
steps="$(grep -c '^\[' "$out/build.log" || true)"
if [[ "$steps" == 0 ]]; then say "up to date in build/windows"; else say "$steps build steps run; programs in build/windows"; fi
say "package: ${msi#"$root/"} ($(stat -c %s "$msi") bytes)"

# --- Wine prefix ---------------------------------------------------------------------------------
step "Wine prefix build/demo-wineprefix"
ready="$WINEPREFIX/.demo-ready"
# A prefix is reused when it was made completely and holds no demo service left by a run that
# was killed half-way (Wine would start it with the next session).
if [[ -f "$ready" && -f "$WINEPREFIX/system.reg" ]] && ! grep -q "$service" "$WINEPREFIX/system.reg"; then
  say "reused"
else
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
  timeout 300 wine wineboot -i >"$out/wineboot.log" 2>&1 || fail "wineboot -i failed (log: build/demo-wine/wineboot.log)"
  timeout 120 wineserver -w || true
  touch "$ready"
  say "made with wineboot -i"
fi
# One Wine session for the whole demo: a command prompt that reads from a pipe keeps the
# wineserver up, so every program below runs in it; ending the pipe's only writer (a sleep)
# at the end lets the session end, which is when Wine saves its registry.
hold_dir="$(mktemp -d)"
mkfifo "$hold_dir/session"
timeout 1800 wine cmd <"$hold_dir/session" >/dev/null 2>&1 &
sleep 1800 >"$hold_dir/session" &
session_writer=$!
wine_run cmd /c exit || fail "Wine does not start programs"

# --- Lumetra -------------------------------------------------------------------------------------
step "install Lumetra into $install_dir_win from its MSI (msiexec /i ... /qn)"
install_lumetra || fail "install_lumetra failed (log: build/demo-wine/wine.log)"
clsid="$(timeout 60 wine reg query 'HKCR\Lumetra.LumetraCOM\CLSID' /ve 2>/dev/null | tr -d '\r' |
  awk -F'    ' '/\(Default\)/ { print $4 }')"
[[ -n "$clsid" ]] || fail "Lumetra.LumetraCOM is not registered"
say "Lumetra.LumetraCOM -> $clsid"

step "start the SMTP server on 127.0.0.1 (aiosmtpd, STARTTLS and AUTH LOGIN required)"
mkdir -p "$out/smtp"
# Debian's aiosmtpd loads in /usr/bin/python3, whatever python3 comes first on PATH.
/usr/bin/python3 tools/smtp_server.py --out "$out/smtp" --tls --auth --require-tls --require-auth \
  >"$out/smtp.port" 2>"$out/smtp.err" &
smtp_pid=$!
wait_for "grep -qs '^PORT' '$out/smtp.port'" 30 || fail "the SMTP server did not start: $(cat "$out/smtp.err")"
port="$(awk '/^PORT/ { print $2 }' "$out/smtp.port")"
say "listening on port $port with a self-signed certificate"

step "run demo/demo.vbs with wine cscript"
files="$out/files"
mkdir -p "$files"
client_out="$out/demo_vbs.txt"
client_status=0
timeout 300 wine cscript //nologo "$(winpath "$root/demo/demo.vbs")" "$port" \
  "$(winpath "$root/demo/order_lines.xml")" "$(winpath "$files")" >"$client_out" 2>&1 || client_status=$?
tr -d '\r' <"$client_out" | grep -v '^OK$' || true
[[ $client_status -eq 0 ]] || fail "demo.vbs exited $client_status"
grep -q '^FAIL' "$client_out" && fail "demo.vbs reported failures"
grep -q '^OK' "$client_out" || fail "demo.vbs did not finish"

step "what the SMTP server received"
[[ -f "$out/smtp/msg-1.txt" ]] || fail "the SMTP server received no message"
/usr/bin/python3 - "$out/smtp" "$files/pedido-1042.json" <<'PY' || fail "the message is not what was sent"
import os, sys
folder, attachment = sys.argv[1], sys.argv[2]
rows = [line.split(" ") for line in open(os.path.join(folder, "msg-1.txt")).read().splitlines()]
text = lambda h: bytes.fromhex(h).decode("utf-8") if h != "-" else ""
session = next(r for r in rows if r[0] == "session")
headers = {r[1].lower(): text(r[2]) for r in rows if r[0] == "header"}
print("     subject:    %s" % headers.get("subject"))
print("     from:       %s" % text(next(r for r in rows if r[0] == "mail_from")[1]))
print("     recipients: %s" % ", ".join(text(r[1]) for r in rows if r[0] == "rcpt"))
print("     TLS:        %s; AUTH LOGIN as %s" % ("yes" if session[1] == "1" else "no", text(session[2]) or "nobody"))
problems = []
if session[1] != "1":
    problems.append("not sent over TLS")
sent = open(attachment, "rb").read()
for k, part in enumerate((r for r in rows if r[0] == "part"), 1):
    payload = open(os.path.join(folder, "msg-1-part-%d.bin" % k), "rb").read()
    name = text(part[3])
    line = "     part %d:     %s, %d bytes" % (k, part[1], len(payload))
    if name:
        intact = payload == sent
        line += ", attachment %s, %s" % (name, "the same bytes as the file sent" if intact else "DIFFERENT from the file sent")
        if not intact:
            problems.append("the attachment changed")
    print(line)
if not any(r[0] == "part" and text(r[3]) == "pedido-1042.json" for r in rows):
    problems.append("no attachment pedido-1042.json")
for p in problems:
    print("     FAIL: " + p)
sys.exit(1 if problems else 0)
PY
kill "$smtp_pid" 2>/dev/null
smtp_pid=

step "the files the script wrote, as bytes"
for name in saludo.b64 saludo.txt; do
  [[ -f "$files/$name" ]] || fail "$name was not written"
  say "$name ($(stat -c %s "$files/$name") bytes):"
  od -A d -t x1z -v "$files/$name" | sed 's/^/       /'
done
[[ "$(cat "$files/saludo.b64")" == "SG9sYSwgTHVtZXRyYQ==" ]] || fail "saludo.b64 does not hold the Base64 of the text"
[[ "$(cat "$files/saludo.txt")" == "Hola, Lumetra" ]] || fail "saludo.txt does not hold the decoded text"

# --- Tolvane -------------------------------------------------------------------------------------
instance_win='C:\Tolvane Demo'
instance="$WINEPREFIX/drive_c/Tolvane Demo"
worker_win="$instance_win\\worker.exe"
log="$instance/worker.exe.log"

service_state() { timeout 60 wine sc query "$service" 2>/dev/null | tr -d '\r' | awk '/STATE/ { print $3 }'; }
# The Unix process ids of the running demo workers.
workers() { pgrep -f -- 'C:\\Tolvane Demo\\worker\.exe' || true; }
# The Windows process id that wrote the log's last line.
logged_pid() { tail -1 "$log" 2>/dev/null | tr -d '\r' | awk '{ print $2 }'; }
log_lines() { if [[ -f "$log" ]]; then wc -l <"$log"; else echo 0; fi; }
show_worker() {
  say "worker running: Unix process $(ps -o pid=,args= -p "$(workers | head -1)" | sed 's/^ *//'), Windows PID $(logged_pid)"
  say "its log: $(log_lines) line(s), the last: $(tail -1 "$log" | tr -d '\r')"
}
# Shows the log growing: its length now and some seconds later.
show_log_growing() {
  local before after
  before=$(log_lines)
  sleep 5
  after=$(log_lines)
  say "the log grows: $before lines, 5 s later $after; the last: $(tail -1 "$log" | tr -d '\r')"
  ((after > before)) || fail "the worker's log does not grow"
}
start_service() {
  wine_run sc start "$service" || fail "sc start $service failed"
  wait_for '[[ "$(service_state)" == 4 ]]' 30 || fail "$service does not report running"
}
stop_service() {
  wine_run sc stop "$service" || fail "sc stop $service failed"
  wait_for '[[ "$(service_state)" == 1 ]]' 30 || fail "$service does not report stopped"
}

step "install the Tolvane instance \"Demo\" in $instance_win (Tolvane.exe /INSTALL /SILENT)"
rm -rf "$instance"
mkdir -p "$instance"
cp "$WINEPREFIX/drive_c/Program Files/Lumetra/Tolvane/Tolvane.exe" "$instance/Tolvane.exe"
# The stand-in worker of the Tolvane tests: "alive <pid>" into worker.exe.log every 200 ms.
cp "$build/tests/wine/tolvane/tolvane_wine_worker.exe" "$instance/worker.exe"
# The worker counts as alive while its log is at most a minute old.
printf '[Tolvane]\r\nInstancia=Demo\r\nKorAsyncProcess=worker.exe\r\nLogFileName=worker.exe.log\r\nMaxTimeForProcess=1\r\n' \
  >"$instance/Tolvane.ini"
sed 's/\r$//; s/^/       /' "$instance/Tolvane.ini"
service_installed=yes
wine_run "$instance_win\\Tolvane.exe" /INSTALL /SILENT || fail "Tolvane.exe /INSTALL /SILENT failed"
[[ "$(service_state)" == 1 ]] || fail "the service $service is not installed"
say "service $service installed, stopped"

step "start the service: the worker's log is missing, so Tolvane starts the worker"
start_service
wait_for '[[ -n "$(workers)" && -n "$(logged_pid)" ]]' 30 || fail "Tolvane did not start the worker"
first_pid="$(logged_pid)"
show_worker
show_log_growing

step "the worker hangs: the service is stopped (it ends the worker), a worker that writes nothing runs, its log is aged"
stop_service
wait_for '[[ -z "$(workers)" ]]' 15 || fail "stopping the service did not end the worker"
say "service stopped; worker $first_pid ended with it"
wine "$worker_win" hang </dev/null >/dev/null 2>&1 &
wait_for '[[ -n "$(workers)" ]]' 30 || fail "the hanging worker did not start"
hung="$(workers)"
touch -d '1 hour ago' "$log"
say "hanging worker: Unix process $hung; the log was last written at $(date -r "$log" +%H:%M:%S) (1 hour ago)"

step "start the service: it checks at once, finds the log stale and restarts the worker"
lines_before=$(log_lines)
start_service
wait_for '[[ $(log_lines) -gt $lines_before ]]' 30 || fail "Tolvane did not start a new worker"
wait_for '! kill -0 $hung 2>/dev/null' 15 || fail "the hanging worker $hung still runs"
second_pid="$(logged_pid)"
[[ "$second_pid" != "$first_pid" ]] || fail "the worker has the same process id as before"
say "Tolvane terminated the hanging worker (Unix process $hung) and started a new one: Windows PID $second_pid (was $first_pid)"
show_worker
show_log_growing

step "stop the service: Tolvane terminates the worker"
stop_service
wait_for '[[ -z "$(workers)" ]]' 15 || fail "stopping the service did not end the worker"
say "service stopped; no worker.exe runs"

step "remove the service (Tolvane.exe /UNINSTALL /SILENT)"
wine_run "$instance_win\\Tolvane.exe" /UNINSTALL /SILENT || fail "Tolvane.exe /UNINSTALL /SILENT failed"
[[ -z "$(service_state)" ]] || fail "the service $service still exists"
service_installed=
rm -rf "$instance"
say "service $service removed"

step "uninstall Lumetra (msiexec /x ... /qn)"
remove_lumetra || fail "remove_lumetra failed (log: build/demo-wine/wine.log)"
timeout 60 wine reg query 'HKCR\Lumetra.LumetraCOM' >/dev/null 2>&1 && fail "Lumetra.LumetraCOM is still registered"
[[ ! -e "$WINEPREFIX/drive_c/Program Files/Lumetra" ]] || fail "C:\\Program Files\\Lumetra is still there"
say "unregistered, every file removed"

echo "demo finished in $((SECONDS - started_at)) s; its files are in build/demo-wine"
