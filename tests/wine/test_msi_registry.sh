#!/usr/bin/env bash
# The MSI registers the server with its own Registry table rows; they must be
# exactly what "Lumetra.exe /regserver" writes. Both are dumped from the same
# folder (the zip's files unpacked into Program Files for the second half),
# so even the paths must match.
source "$(dirname "$0")/lib.sh"
source "$here/package_lib.sh"
cleanup() {
  msi_uninstall >/dev/null 2>&1
  [[ -x "$installed/Lumetra.exe" ]] && w "$installed/Lumetra.exe" /unregserver >/dev/null 2>&1
  rm -rf "$installed"
  wineserver -k >/dev/null 2>&1 || true
}
trap cleanup EXIT

msi_install
registration_dump >"$work/registry.msi"
msi_uninstall || fail "msiexec /x exited $?"
expect_no_registration

unzip -q "$LUMETRA_ZIP" -d "$program_files" || fail "cannot unzip $LUMETRA_ZIP"
w "$installed/Lumetra.exe" /regserver || fail "/regserver exited $?"
registration_dump >"$work/registry.regserver"
w "$installed/Lumetra.exe" /unregserver || fail "/unregserver exited $?"
expect_no_registration

# Not two empty dumps: the class, the library for both bitnesses, the interface.
# The class in the 64-bit view, the library and the interface in both views.
grep -qF '\LocalServer32' "$work/registry.regserver" || fail "/regserver wrote no LocalServer32"
for needle in '\1.0\0\win32' '\1.0\409\win64' '\ProxyStubClsid32'; do
  [[ $(grep -cF "$needle" "$work/registry.regserver") -eq 2 ]] || fail "/regserver did not write $needle in both views"
done
diff -u "$work/registry.regserver" "$work/registry.msi" || fail "the MSI's registry entries differ from /regserver's"
cat "$work/registry.msi"
echo "OK msi registry"
