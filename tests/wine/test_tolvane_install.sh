#!/usr/bin/env bash
# Tolvane.exe as its own installer: /INSTALL and /UNINSTALL with and without /SILENT, the
# service's registration as the service control manager holds it, the dialogs a user sees
# (read under Xvfb and answered with the Enter key), and the word "install" without a prefix.
source "$(dirname "$0")/tolvane/lib.sh"

service_exists TolvaneServ2 && fail "TolvaneServ2 is registered before the test"
folder="Tolvane Install"
make_instance "$folder" "Instancia=2"
remove_service_on_exit TolvaneServ2

# Runs Tolvane.exe with the switches while a user answers the dialog titled $1 with Enter; sets
# dialog to what the dialog showed and fails unless the program then ends with exit code 0.
dialog=
run_with_dialog() {
  local title="$1" pid status
  shift
  tolvane "$folder" "$@" &
  pid=$!
  dialog="$(read_dialog "$title")" || { echo "$dialog"; fail "$*: no dialog '$title'"; }
  dismiss_dialog "$title"
  wait "$pid"
  status=$?
  [[ $status -eq 0 ]] || fail "$*: exit code $status"
}

# The dialog "Error" of a failed install or uninstall: the action, the display name and the
# system's error text (code, line break, the system's words) in quotes.
expect_failure_dialog() {
  local action="$1" code="$2"
  expect_text "$action: first line" \
    "TEXT: Error al $action el servicio \"KORVA - Tolvane 2\", error: \"Error de sistema. Código: $code." \
    "$(sed -n 2p <<<"$dialog")"
  [[ "$(sed -n 3p <<<"$dialog")" =~ ^[^\"]+\"$ ]] || fail "$action: no system text in quotes: $dialog"
  expect_text "$action: button" "BUTTON: Aceptar" "$(sed -n 4p <<<"$dialog")"
  expect_text "$action: title" "TITLE: Error" "$(sed -n 1p <<<"$dialog")"
}

# Silent install: no dialog (one would hold the program until the time limit), the service
# registered as TolvaneServ2 with its settings and the quoted path.
tolvane "$folder" /INSTALL /SILENT || fail "/INSTALL /SILENT exited $?"
while IFS='|' read -r field expected; do
  actual="$(service_config TolvaneServ2 "$field")"
  expect_text "TolvaneServ2 $field" "$expected" "$actual"
done <<'TABLE'
TYPE|16
START_TYPE|2
ERROR_CONTROL|1
BINARY_PATH_NAME|"C:\Tolvane Install\Tolvane.exe"
DISPLAY_NAME|KORVA - Tolvane 2
SERVICE_START_NAME|LocalSystem
TABLE
echo "OK: /INSTALL /SILENT registered TolvaneServ2"
probe qc TolvaneServ2

# Installing again: the error dialog, with the system's text for an existing service.
run_with_dialog Error /INSTALL /SILENT
expect_failure_dialog instalar 1073
echo "OK: installing twice shows"
echo "$dialog"

# Uninstall with the success dialog; the service is gone.
run_with_dialog "Información" -UnInstall
expect_text "-UnInstall" "TITLE: Información
TEXT: Servicio desinstalado con éxito
BUTTON: Aceptar" "$dialog"
service_exists TolvaneServ2 && fail "TolvaneServ2 is still registered after /UNINSTALL"
echo "OK: -UnInstall removed TolvaneServ2 and said so"

# Uninstalling what is not there: the error dialog with the system's code for a missing service,
# also with /SILENT.
run_with_dialog Error /UNINSTALL /SILENT
expect_failure_dialog desinstalar 1060
echo "OK: uninstalling a missing service shows"
echo "$dialog"

# Install with the success dialog, the switch written another way.
run_with_dialog "Información" /install
expect_text "/install" "TITLE: Información
TEXT: Servicio instalado con éxito
BUTTON: Aceptar" "$dialog"
service_exists TolvaneServ2 || fail "/install did not register TolvaneServ2"
tolvane "$folder" /UNINSTALL /SILENT || fail "/UNINSTALL /SILENT exited $?"
service_exists TolvaneServ2 && fail "TolvaneServ2 is still registered after /UNINSTALL /SILENT"
echo "OK: /install with its dialog, /UNINSTALL /SILENT without"

# Without Instancia: TolvaneServ, and the display name ends with a space.
make_instance "$folder" "LogFileName=worker.exe.log"
remove_service_on_exit TolvaneServ
tolvane "$folder" -INSTALL -SILENT || fail "-INSTALL -SILENT exited $?"
expect_text "TolvaneServ DISPLAY_NAME" "KORVA - Tolvane |" "$(service_config TolvaneServ DISPLAY_NAME)|"
tolvane "$folder" /UNINSTALL /SILENT || fail "/UNINSTALL /SILENT exited $?"
echo "OK: no Instancia gives TolvaneServ, \"KORVA - Tolvane \""

# "install" without a prefix is the service mode: started from a command prompt it cannot
# connect to the service control manager, writes that to the event log under the program's
# file name, and ends without installing anything. (Wine shows event-log entries on its
# debug channels.)
log="$(WINEDEBUG=err+eventlog,fixme+advapi timeout 60 wine "C:\\$folder\\Tolvane.exe" install 2>&1 | tr -d '\r')"
status=$?
grep -q 'RegisterEventSourceW ((null),L"Tolvane.exe")' <<<"$log" || fail "no event source Tolvane.exe: $log"
grep -q 'err:eventlog:ReportEventW L"Service controller connect failed"' <<<"$log" || fail "no event-log entry: $log"
service_exists TolvaneServ && fail "\"install\" without a prefix installed the service"
echo "OK: \"install\" without a prefix runs the service mode, which logs:"
grep 'err:eventlog' <<<"$log"

echo "OK tolvane install"
