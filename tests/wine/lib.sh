# Helpers shared by the Wine tests. Each test is its own script: it sources
# this file, sets up what it needs in the prefix prepared by
# scripts/test_windows.sh (WINEPREFIX, LUMETRA_EXE) and exits 0 on success.
set -uo pipefail

: "${WINEPREFIX:?set by scripts/test_windows.sh}"
: "${LUMETRA_EXE:?set by scripts/test_windows.sh}"
export WINEDEBUG=-all
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
work="${LUMETRA_TEST_WORK:?set by scripts/test_windows.sh}"

source "$here/../../scripts/wine_helpers.sh"  # winpath, wait_for, wine_for

LUMETRA_WIN="$(winpath "$LUMETRA_EXE")"

fail() { echo "FAIL: $*"; exit 1; }

# Runs a Windows program under Wine, bounded in time.
w() { wine_for 120 "$@"; }

# Wine's reg.exe with its output on stdout. It has failed now and then on CI
# (an empty answer for a key just written, a failed add) where nothing was
# missing: a failure that is not "Unable to find" is logged and tried once more.
wreg() {
  local out status
  out="$(w reg "$@" 2>&1)"
  status=$?
  if [[ $status -ne 0 && "$out" != *"Unable to find"* ]]; then
    echo "wine reg $* exited $status: $out (trying again)" >&2
    sleep 1
    out="$(w reg "$@" 2>&1)"
    status=$?
  fi
  printf '%s\n' "$out"
  return $status
}

# Runs a script with cscript; its output goes to stdout. Arguments after the script are passed on.
cscript() { local script="$1"; shift; wine_for 120 cscript //nologo "$(winpath "$script")" "$@"; }

# Lumetra processes running now.
server_pids() { pgrep -f 'Lumetra\.exe( |$)' || true; }

register() { w "$LUMETRA_EXE" /regserver || fail "/regserver exited $?"; }
unregister() { w "$LUMETRA_EXE" /unregserver || true; }

# The default value of a registry key, or nothing when the key is missing.
reg_default() {
  wreg query "$1" /ve "${@:2}" | tr -d '\r' | awk -F'    ' '/\(Default\)/ { print $4 }'
}

# Asserts the default value of a registry key.
expect_key() {
  local key="$1" expected="$2" actual
  actual="$(reg_default "$key" "${@:3}")"
  [[ "$actual" == "$expected" ]] || fail "$key ${*:3}: expected '$expected', got '$actual'"
}

expect_no_key() {
  wreg query "$1" "${@:2}" >/dev/null && fail "$1 ${*:2} still exists"
  return 0
}

# Runs a client script and fails on any line starting with FAIL or a non-zero exit.
# The output goes through a file: a server that COM starts inherits the
# client's standard handles, and a pipe would stay open as long as it runs.
run_client() {
  local out status file
  file="$(mktemp "$work/client.XXXXXX")"
  "$@" >"$file" 2>&1
  status=$?
  out="$(tr -d '\r' <"$file")"
  printf '%s\n' "$out"
  [[ $status -eq 0 ]] || fail "client exited $status: $*"
  grep -q '^FAIL' <<<"$out" && fail "client reported failures: $*"
  grep -q '^OK' <<<"$out" || fail "client did not finish: $*"
  return 0
}

# Every test ends with no Wine process left behind.
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
