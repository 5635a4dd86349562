#!/usr/bin/env bash
# An instance suffix that does not make an identifier: Tolvane.exe stops at start-up with the box
# "Error general en la aplicación" (read under Xvfb and answered with the Enter key), ends with
# exit code 1 and installs nothing.
source "$(dirname "$0")/tolvane/lib.sh"

folder="Tolvane Invalid"
while IFS='|' read -r suffix name; do
  make_instance "$folder" "Instancia=$suffix"
  remove_service_on_exit "$name"
  tolvane "$folder" /INSTALL /SILENT &
  pid=$!
  dialog="$(read_dialog "Error general en la aplicación")" || { echo "$dialog"; fail "Instancia=$suffix: no error box"; }
  dismiss_dialog "Error general en la aplicación"
  wait "$pid"
  status=$?
  [[ $status -eq 1 ]] || fail "Instancia=$suffix: exit code $status, not 1"
  [[ "$(sed -n 2p <<<"$dialog")" =~ ^TEXT:\ Excepción\ EComponentError\ en\ el\ módulo\ Tolvane\.exe\ en\ [0-9A-F]{16}\.$ ]] ||
    fail "Instancia=$suffix: first line of the box: $dialog"
  expect_text "Instancia=$suffix: the box" "''$name'' is not a valid component name.
BUTTON: Aceptar" "$(sed -n '3,$p' <<<"$dialog")"
  service_exists "$name" && fail "Instancia=$suffix: the service $name was installed"
  echo "OK: Instancia=$suffix ends with exit code 1, installs nothing, and shows"
  echo "$dialog"
done <<'TABLE'
a-b|TolvaneServa-b
a b|TolvaneServa b
TABLE

echo "OK tolvane invalid instance"
