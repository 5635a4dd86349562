# Helpers shared by the Tolvane tests under Wine (tests/wine/test_tolvane_*.sh). A test sources
# this file; it needs the prefix that scripts/test_windows.sh prepares (WINEPREFIX) and the
# programs it built:
#   TOLVANE_EXE          Tolvane.exe
#   TOLVANE_WORKER_EXE   the stand-in worker (tests/wine/tolvane/worker.cpp)
#   TOLVANE_PROBE_EXE    optional; tolvane_wine_probe.exe beside the worker by default
# Each test copies the programs into folders of its own on drive C:, whose names hold a space.
set -uo pipefail

: "${WINEPREFIX:?set by scripts/test_windows.sh}"
: "${TOLVANE_EXE:?the path of Tolvane.exe}"
: "${TOLVANE_WORKER_EXE:?the path of the test worker tolvane_wine_worker.exe}"
TOLVANE_PROBE_EXE="${TOLVANE_PROBE_EXE:-$(dirname "$TOLVANE_WORKER_EXE")/tolvane_wine_probe.exe}"
export WINEDEBUG=-all
drive_c="$WINEPREFIX/drive_c"

fail() { echo "FAIL: $*"; exit 1; }

for program in "$TOLVANE_EXE" "$TOLVANE_WORKER_EXE" "$TOLVANE_PROBE_EXE"; do
  [[ -f "$program" ]] || fail "missing $program"
done

source "$(dirname "${BASH_SOURCE[0]}")/../../../scripts/wine_helpers.sh"  # winpath, wait_for, wine_for

# Runs a Windows program under Wine, bounded in time; its output without carriage returns.
# wine_for keeps Wine's own handles off the pipe to tr (see scripts/wine_helpers.sh).
w() { wine_for 60 "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }

probe() { w "$TOLVANE_PROBE_EXE" "$@"; }

# The Unix path of a folder on drive C: ("Tolvane Test" -> $WINEPREFIX/drive_c/Tolvane Test).
unix_folder() { printf '%s/%s' "$drive_c" "$1"; }

# Makes the folder C:\<name> with a copy of Tolvane.exe, the worker as worker.exe and a
# Tolvane.ini holding the given lines of the section [Tolvane]. Prints nothing.
make_instance() {
  local name="$1" dir
  dir="$(unix_folder "$name")"
  shift
  rm -rf "$dir" && mkdir -p "$dir" || fail "cannot make $dir"
  cp "$TOLVANE_EXE" "$dir/Tolvane.exe" && cp "$TOLVANE_WORKER_EXE" "$dir/worker.exe" || fail "cannot copy"
  { printf '[Tolvane]\r\n'; printf '%s\r\n' "$@"; } >"$dir/Tolvane.ini"
}

# Runs C:\<folder>\Tolvane.exe with the given switches; its exit code.
tolvane() { local name="$1"; shift; w "C:\\$name\\Tolvane.exe" "$@" >/dev/null; }

# The state number of a service as "sc query" shows it (1 stopped ... 4 running ... 7 paused);
# empty when the service does not exist.
service_state() { w sc query "$1" | awk '/STATE/ { print $3 }'; }

# A field of the service's configuration as the manager holds it ("sc qc").
service_config() { probe qc "$1" | sed -n "s/^$2: //p"; }

service_exists() { probe qc "$1" >/dev/null; }

# Processes whose command line holds the Windows path $1.
processes_of() { pgrep -f -- "$(printf '%s' "$1" | sed 's/[][\.*^$]/\\&/g')" || true; }

# An X server of the test's own, ended when the test ends (start_xvfb, visible_window, answer).
source "$(dirname "${BASH_SOURCE[0]}")/../desktop.sh"

# Waits for the message box titled $1 and prints what it shows: its title as the window manager
# sees it, then the probe's "TEXT: ..." and "BUTTON: ..." lines.
read_dialog() {
  local title="$1" window
  wait_for '[[ -n "$(visible_window "$title")" ]]' 60 || fail "no dialog '$title'"
  window="$(visible_window "$title")"
  echo "TITLE: $(xdotool getwindowname "$window")"
  probe dialog "$title" || fail "cannot read the dialog '$title'"
}

# Answers the message box titled $1 with the Enter key, as a user would.
dismiss_dialog() { answer "$1" Return; }

# Compares a text with the expected one, showing both on a mismatch.
expect_text() {
  local what="$1" expected="$2" actual="$3"
  [[ "$actual" == "$expected" ]] || fail "$what: expected
---
$expected
---
got
---
$actual
---"
}

# One Wine session for the whole test: the service control manager starts the automatic
# services when a session begins, so the session must not end and begin again half-way. A
# command prompt that reads from a pipe keeps it; ending the pipe's only writer (a sleep, which
# starts nothing that could inherit the pipe) at the end lets the session end by itself, which
# is when Wine saves its registry: a removed service is then gone for the tests that follow.
# Every test runs under its own X server, so that a dialog can be seen, read and answered.
start_xvfb
hold_dir="$(mktemp -d)"
mkfifo "$hold_dir/session"
timeout 900 wine cmd <"$hold_dir/session" >/dev/null 2>&1 &
sleep 900 >"$hold_dir/session" &
session_writer=$!
timeout 120 wine cmd /c exit >/dev/null 2>&1

# Shell commands run at the end of the test, in the order given, whatever its outcome.
cleanup_steps=()
on_exit() { cleanup_steps+=("$1"); }
run_cleanup() {
  local step
  for step in "${cleanup_steps[@]}"; do eval "$step" >/dev/null 2>&1; done
  kill "$session_writer" 2>/dev/null
  timeout 60 wineserver -w || wineserver -k >/dev/null 2>&1
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$hold_dir"
  return 0
}
trap run_cleanup EXIT
trap 'exit 1' TERM INT

# Removes the service at the end of the test, without any dialog.
remove_service_on_exit() { on_exit "w net stop '$1'; w sc delete '$1'"; }
