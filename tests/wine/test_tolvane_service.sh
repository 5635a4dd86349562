#!/usr/bin/env bash
# TolvaneServ2 running under Wine's service control manager, with the test worker:
#  - net start with the worker's log missing or stale starts the worker at once; with a fresh
#    log it starts nothing;
#  - the worker is started with no arguments, its path quoted;
#  - pause, interrogate and continue report paused, paused and running;
#  - net stop terminates the worker and the service reports stopped (measured; the test fails
#    only past 10 s);
#  - the folder's name holds a space and C:\Tolvane.exe is a decoy: neither the service nor the
#    worker may ever start it;
#  - started by the manager with an invalid Instancia, the program ends without showing a box.
# Wine's sc has no pause or continue command: the probe sends those control codes, as sc does.
source "$(dirname "$0")/tolvane/lib.sh"

folder="Tolvane Test"
dir="$(unix_folder "$folder")"
log="$dir/worker.exe.log"
worker_path='C:\Tolvane Test\worker.exe'
service_path='C:\Tolvane Test\Tolvane.exe'
make_instance "$folder" "Instancia=2" "KorAsyncProcess=worker.exe" "LogFileName=worker.exe.log" "MaxTimeForProcess=5"

# A program the prefixes of the paths would name if they were not quoted.
decoy_log="$drive_c/Tolvane.exe.log"
cp "$TOLVANE_WORKER_EXE" "$drive_c/Tolvane.exe" || fail "cannot place the decoy"
rm -f "$decoy_log"
on_exit "rm -f '$drive_c/Tolvane.exe' '$decoy_log'"

remove_service_on_exit TolvaneServ2
tolvane "$folder" /INSTALL /SILENT || fail "/INSTALL /SILENT exited $?"

workers() { processes_of "$worker_path"; }
state_is() { [[ "$(service_state TolvaneServ2)" == "$1" ]]; }
started_lines() { grep -c '^started' "$log" 2>/dev/null || true; }

start_service() {
  w net start TolvaneServ2 >/dev/null || fail "net start exited $?"
  wait_for 'state_is 4' 30 || fail "the service does not report running"
}

slowest_stop_ms=0
stop_service() {
  local begin end elapsed
  begin=$(date +%s%N)
  w net stop TolvaneServ2 >/dev/null || fail "net stop exited $?"
  wait_for 'state_is 1' 10 || fail "the service did not report stopped within 10 s"
  end=$(date +%s%N)
  elapsed=$(((end - begin) / 1000000))
  echo "stopped ${elapsed} ms after net stop was issued"
  ((elapsed > slowest_stop_ms)) && slowest_stop_ms=$elapsed
  return 0
}

# Each case: how the log is left before the start, and whether the worker must be started.
while IFS='|' read -r case expected; do
  rm -f "$log"
  case "$case" in
    missing) ;;
    stale) echo "old" >"$log" && touch -d '2 hours ago' "$log" ;;
    fresh) echo "new" >"$log" && touch "$log" ;;
  esac
  [[ -z "$(workers)" ]] || fail "$case: a worker runs before the start"
  start_service
  if [[ "$expected" == started ]]; then
    wait_for '[[ $(started_lines) -ge 1 ]]' 30 || fail "$case log: the worker was not started"
    wait_for '[[ -n "$(workers)" ]]' 30 || fail "$case log: no worker process"
    line="$(grep '^started' "$log" | head -1 | tr -d '\r')"
    [[ "$line" =~ ^started\ [0-9]+\ 0\ \"C:\\Tolvane\ Test\\worker\.exe\"\ ?$ ]] ||
      fail "$case log: the worker was not started with its quoted path and no arguments: $line"
    echo "OK: $case log: net start started the worker: $line"
  else
    sleep 3  # the check comes on the first pass, before the first one-second pause
    [[ $(started_lines) -eq 0 && -z "$(workers)" ]] || fail "$case log: a worker was started"
    echo "OK: $case log: net start left the worker alone"
  fi
  [[ $(started_lines) -le 1 ]] || fail "$case log: more than one worker was started"

  if [[ "$case" == missing ]]; then
    while IFS='|' read -r code state name; do
      reply="$(probe control TolvaneServ2 "$code")" || fail "$name: $reply"
      wait_for "state_is $state" 10 || fail "$name: the service does not report state $state"
      echo "OK: $name reports state $state"
    done <<'TABLE'
2|7|pause
4|7|interrogate while paused
3|4|continue
TABLE
  fi

  stop_service
  if [[ "$expected" == started ]]; then
    wait_for '[[ -z "$(workers)" ]]' 10 || fail "$case log: net stop did not terminate the worker"
    echo "OK: $case log: net stop terminated the worker"
  fi
done <<'TABLE'
missing|started
stale|started
fresh|none
TABLE
echo "OK: the slowest stop took ${slowest_stop_ms} ms"

[[ ! -e "$decoy_log" ]] || fail "C:\\Tolvane.exe was started: $(head -1 "$decoy_log")"
echo "OK: the decoy C:\\Tolvane.exe never ran"

# Started by the manager with a suffix that makes no valid name: the program ends at start-up
# with no box on a desktop nobody sees, and the service stays stopped.
make_instance "$folder" "Instancia=a-b" "KorAsyncProcess=worker.exe" "LogFileName=worker.exe.log"
w net start TolvaneServ2 >/dev/null && fail "net start succeeded with Instancia=a-b"
wait_for '[[ -z "$(processes_of "$service_path")" ]]' 30 || fail "Tolvane.exe stays at start-up with Instancia=a-b"
[[ -z "$(visible_window "Error general en la aplicación")" ]] || fail "a box was shown for the service"
state_is 1 || fail "the service is not stopped after a failed start"
[[ -z "$(workers)" ]] || fail "a worker was started with Instancia=a-b"
echo "OK: started by the manager with Instancia=a-b, Tolvane.exe ends without a box"

echo "OK tolvane service"
