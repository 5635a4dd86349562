#!/usr/bin/env bash
# The MSI: a silent per-machine install puts the zip's files into
# Program Files\Lumetra and registers the server; examples run from the
# installed folder; a silent uninstall while a client holds the server ends
# the server and leaves no process, file, folder or registry key behind.
source "$(dirname "$0")/lib.sh"
source "$here/package_lib.sh"
trap 'msi_uninstall >/dev/null 2>&1; wineserver -k >/dev/null 2>&1 || true' EXIT

[[ ! -e "$installed" ]] || fail "$installed exists before the install"
expect_no_registration
msi_install

# The same files as the zip, byte for byte.
rm -rf "$work/zip" && mkdir -p "$work/zip"
unzip -q "$LUMETRA_ZIP" -d "$work/zip" || fail "cannot unzip $LUMETRA_ZIP"
diff -r "$work/zip/Lumetra" "$installed" || fail "the installed files differ from the zip's"

expect_key "HKCR\\Lumetra.LumetraCOM\\Clsid" "$CLSID"
expect_key "HKCR\\TypeLib\\$LIBID\\1.0\\0\\win64" 'C:\Program Files\Lumetra\Lumetra.exe'

run_example "$installed/examples/json_order.vbs"
expect_example_line json_order.vbs 'Order as JSON: {"cliente":"Ana","total":10.5,"pagado":false,"items":[{"sku":"A1","unidades":2},{"sku":"B7","unidades":1}]}'
expect_example_line json_order.vbs 'cliente = Ana'
expect_example_line json_order.vbs 'items[1]: sku B7, unidades 1'
run_example "$installed/examples/version.vbs"
expect_example_line version.vbs 'Lumetra version: 1.0.002'

# A client that holds an object while the package is removed.
rm -f "$work/holder.handle" "$work/holder.done"
wine cscript //nologo "$(winpath "$here/holder.vbs")" "$(winpath "$work/holder.handle")" \
  "$(winpath "$work/holder.done")" 300 >"$work/holder.out" 2>&1 &
wait_for '[[ -s "$work/holder.handle" ]]' 60 || fail "the holder did not start: $(cat "$work/holder.out")"
[[ -n "$(server_pids)" ]] || fail "no server runs for the holder"

msi_uninstall || fail "msiexec /x exited $?"
touch "$work/holder.done"
wait_for '[[ -z "$(server_pids)" ]]' 30 || fail "a Lumetra process is left after the uninstall: $(server_pids)"
[[ ! -e "$installed" ]] || fail "left after the uninstall: $(find "$installed")"
expect_no_registration
expect_no_key "HKCR\\Lumetra.LumetraCOM"

echo "OK msi install"
