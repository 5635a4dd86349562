#!/usr/bin/env bash
# KorAsyncProcess=worker (no extension) names the program worker.exe: net start with the log
# missing starts it, and net stop finds and terminates it.
source "$(dirname "$0")/tolvane/lib.sh"

folder="Tolvane Plain"
dir="$(unix_folder "$folder")"
log="$dir/worker.exe.log"
worker_path='C:\Tolvane Plain\worker.exe'
make_instance "$folder" "Instancia=3" "KorAsyncProcess=worker" "LogFileName=worker.exe.log" "MaxTimeForProcess=5"
remove_service_on_exit TolvaneServ3
tolvane "$folder" /INSTALL /SILENT || fail "/INSTALL /SILENT exited $?"

workers() { processes_of "$worker_path"; }
state_is() { [[ "$(service_state TolvaneServ3)" == "$1" ]]; }

rm -f "$log"
w net start TolvaneServ3 >/dev/null || fail "net start exited $?"
wait_for 'state_is 4' 30 || fail "the service does not report running"
wait_for '[[ -n "$(workers)" ]]' 30 || fail "worker.exe was not started for KorAsyncProcess=worker"
# The process shows before its first line is written.
wait_for 'grep -q "^started" "$log" 2>/dev/null' 30 || fail "worker.exe wrote no start line"
line="$(grep '^started' "$log" | head -1 | tr -d '\r')"
[[ "$line" =~ \"C:\\Tolvane\ Plain\\worker\.exe\"\ ?$ ]] || fail "not started as worker.exe: $line"
echo "OK: net start started worker.exe: $line"

w net stop TolvaneServ3 >/dev/null || fail "net stop exited $?"
wait_for 'state_is 1' 10 || fail "the service did not report stopped"
wait_for '[[ -z "$(workers)" ]]' 10 || fail "net stop did not terminate worker.exe"
echo "OK: net stop terminated worker.exe"
echo "OK tolvane worker without extension"
