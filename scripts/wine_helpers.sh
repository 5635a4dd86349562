# Shell helpers shared by the demo (scripts/demo.sh) and the Wine tests
# (tests/wine/lib.sh, tests/wine/tolvane/lib.sh). Sourced.

# The Windows form of a Unix path on drive Z:.
winpath() { local p="$1"; printf 'Z:%s' "${p//\//\\}"; }

# Waits (at most $2 seconds, default 60) until the shell condition $1 holds.
wait_for() {
  local condition="$1" limit="${2:-60}" i
  for ((i = 0; i < limit * 5; i++)); do
    eval "$condition" && return 0
    sleep 0.2
  done
  return 1
}

# Runs a Windows program under Wine for at most $1 seconds. Its output is
# passed on through files, never a pipe: the Wine process that happens to start
# the wineserver hands its standard handles to the wineserver and the system
# processes (services.exe, rpcss.exe, ...), which outlive it, so a pipe given to
# it (a command substitution, "| tr") would see no end while they run.
wine_for() {
  local seconds="$1" out status
  shift
  out="$(mktemp "${work:-${TMPDIR:-/tmp}}/wine.XXXXXX")" || return 125
  timeout "$seconds" wine "$@" >"$out" 2>"$out.err"
  status=$?
  cat "$out"
  cat "$out.err" >&2
  rm -f "$out" "$out.err"
  return $status
}

# Under scripts/test_windows.sh: each command of the test, with the second it
# began, into the runner's trace file, so that a test that hangs shows where.
if [[ -n "${LUMETRA_TEST_TRACE:-}" ]]; then
  exec {trace_fd}>>"$LUMETRA_TEST_TRACE"
  BASH_XTRACEFD=$trace_fd
  PS4='+ ${SECONDS}s '
  set -x
fi
