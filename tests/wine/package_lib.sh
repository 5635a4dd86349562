# Helpers of the package tests (test_msi_*.sh, test_zip_install.sh), sourced
# after lib.sh: the packages built by scripts/package.sh, the installed
# folder, and a dump of every registry key of the registration.
: "${LUMETRA_MSI:?set by scripts/test_windows.sh}"
: "${LUMETRA_ZIP:?set by scripts/test_windows.sh}"

CLSID='{66EC0FD0-AEF7-484E-98F3-C48DCB5BC355}'
IID='{C2D23768-D7EA-48E8-AEC4-FD210F99DB5E}'
LIBID='{47521416-8BB7-4C2C-ADDF-7A3CF0643DB7}'

program_files="$WINEPREFIX/drive_c/Program Files"
installed="$program_files/Lumetra"
MSI_WIN="$(winpath "$LUMETRA_MSI")"

msi_install() { w msiexec /i "$MSI_WIN" /qn || fail "msiexec /i exited $?"; }
msi_uninstall() { w msiexec /x "$MSI_WIN" /qn; }

# Every key and value under the class, the ProgID, the type library and the
# interface, in both views of HKLM\Software\Classes (one header line each).
registration_dump() {
  local view key out
  for view in /reg:64 /reg:32; do
    for key in "CLSID\\$CLSID" Lumetra.LumetraCOM "TypeLib\\$LIBID" "Interface\\$IID"; do
      echo "== $key $view"
      # A missing key prints its error on stdout: nothing then.
      out="$(wreg query "HKLM\\Software\\Classes\\$key" /s $view)" || continue
      tr -d '\r' <<<"$out" | sed '/^$/d'
    done
  done
}

expect_no_registration() {
  local left
  left="$(registration_dump | grep -v '^== ')"
  [[ -z "$left" ]] || fail "registry entries left: $left"
}

# Runs an example script with cscript (through a file: the server inherits the
# client's handles); it must exit 0 and end with "<name> finished.". Prints its
# output, then waits until the server has ended, so that the next client never
# meets a server that is on its way out.
run_example() {
  local script="$1" out status
  out="$work/$(basename "$script").out"
  timeout 120 wine cscript //nologo "$(winpath "$script")" >"$out" 2>&1
  status=$?
  tr -d '\r' <"$out"
  [[ $status -eq 0 ]] || fail "$(basename "$script") exited $status"
  [[ "$(tr -d '\r' <"$out" | tail -n 1)" == "$(basename "$script") finished." ]] ||
    fail "$(basename "$script") did not finish"
  wait_for '[[ -z "$(server_pids)" ]]' 60 || fail "the server did not end after $(basename "$script")"
}

# Asserts that a line of the last output of run_example for a script equals the text.
expect_example_line() {
  grep -qxF "$2" <(tr -d '\r' <"$work/$1.out") || fail "$1 did not print: $2"
}
