#!/usr/bin/env bash
# The zip: unpacked into a folder, registered for the current user and
# unregistered again without a key left; registered per machine, every
# example runs against it, and unregistering leaves no key.
# (Wine's COM looks up classes only under HKLM\Software\Classes, so under
# Wine a client reaches the server only through the per-machine registration.)
source "$(dirname "$0")/lib.sh"
source "$here/package_lib.sh"
folder="$WINEPREFIX/drive_c/Tools"
cleanup() {
  if [[ -x "$folder/Lumetra/Lumetra.exe" ]]; then
    w "$folder/Lumetra/Lumetra.exe" /unregserverperuser >/dev/null 2>&1
    w "$folder/Lumetra/Lumetra.exe" /unregserver >/dev/null 2>&1
  fi
  rm -rf "$folder"
  wineserver -k >/dev/null 2>&1 || true
}
trap cleanup EXIT

rm -rf "$folder" && mkdir -p "$folder"
unzip -q "$LUMETRA_ZIP" -d "$folder" || fail "cannot unzip $LUMETRA_ZIP"
for file in Lumetra.exe README.txt Tolvane/Tolvane.exe Tolvane/Tolvane.ini; do
  [[ -f "$folder/Lumetra/$file" ]] || fail "the zip has no Lumetra/$file"
done
grep -q $'\r$' "$folder/Lumetra/README.txt" || fail "README.txt has no CR LF line ends"

lumetra="$folder/Lumetra/Lumetra.exe"
w "$lumetra" /regserverperuser || fail "/regserverperuser exited $?"
expect_key "HKCU\\Software\\Classes\\CLSID\\$CLSID\\LocalServer32" 'C:\Tools\Lumetra\Lumetra.exe'
expect_key "HKCU\\Software\\Classes\\Lumetra.LumetraCOM\\Clsid" "$CLSID"
w "$lumetra" /unregserverperuser || fail "/unregserverperuser exited $?"
for key in "CLSID\\$CLSID" Lumetra.LumetraCOM "TypeLib\\$LIBID" "Interface\\$IID"; do
  expect_no_key "HKCU\\Software\\Classes\\$key"
  expect_no_key "HKCU\\Software\\Classes\\$key" /reg:32
done
expect_no_registration

w "$lumetra" /regserver || fail "/regserver exited $?"
expect_key "HKCR\\CLSID\\$CLSID\\LocalServer32" 'C:\Tools\Lumetra\Lumetra.exe'
examples="$folder/Lumetra/examples"
run_example "$examples/version.vbs"
expect_example_line version.vbs 'Lumetra version: 1.0.002'
run_example "$examples/json_order.vbs"
expect_example_line json_order.vbs 'total = 10.5'
run_example "$examples/json_walk.js"
expect_example_line json_walk.js '$.pedido.items[1].precio = 10'
expect_example_line json_walk.js '$.urgente = true'
run_example "$examples/dataset_update.vbs"
grep -q 'ID="2" NAME="Bruno" AGE="41"' "$work/dataset_update.vbs.out" || fail "dataset_update.vbs appended no record"
grep -q 'AGE="31"' "$work/dataset_update.vbs.out" || fail "dataset_update.vbs modified no record"
run_example "$examples/base64_file.vbs"
expect_example_line base64_file.vbs 'File contents: SG9sYSwgbXVuZG8='
expect_example_line base64_file.vbs 'File contents: Hola'
w "$lumetra" /unregserver || fail "/unregserver exited $?"
expect_no_registration

echo "OK zip install"
