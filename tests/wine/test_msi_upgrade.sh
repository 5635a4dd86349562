#!/usr/bin/env bash
# Another build of the same version (every build has a new ProductCode)
# installed over the first replaces it: afterwards only the second is
# installed, and removing it with its own package leaves no file, folder or
# registry key behind. (Side by side, the two would share every file and key,
# and removing one would leave them all.)
source "$(dirname "$0")/lib.sh"
source "$here/package_lib.sh"

rebuild="$work/rebuild.msi"
rebuild_win="$(winpath "$rebuild")"
trap 'w msiexec /x "$rebuild_win" /qn >/dev/null 2>&1; msi_uninstall >/dev/null 2>&1; wineserver -k >/dev/null 2>&1 || true' EXIT

product_code() { msiinfo export "$1" Property | tr -d '\r' | awk '$1 == "ProductCode" { print $2 }'; }
# Whether Windows Installer has the product with this code installed.
installed_product() { wreg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$1" /v DisplayVersion >/dev/null; }

# The second build: the same package with a new ProductCode and package code.
cp "$LUMETRA_MSI" "$rebuild"
msibuild "$rebuild" -q "UPDATE Property SET Value='{0C6E9A53-6B55-4F2C-9D59-6E2B7A0D4C11}' WHERE Property='ProductCode'" &&
  msibuild "$rebuild" -s Lumetra Lumetra 'x64;1033' '{5B0B7D1E-3F0A-4A57-8E08-1B7C3A9F2D22}' || fail "cannot make the second build"
first="$(product_code "$LUMETRA_MSI")"
second="$(product_code "$rebuild")"
[[ -n "$first" && "$first" != "$second" ]] || fail "the two builds have the same ProductCode: $first"

[[ ! -e "$installed" ]] || fail "$installed exists before the install"
msi_install
installed_product "$first" || fail "the first build is not installed"
w msiexec /i "$rebuild_win" /qn || fail "msiexec /i of the second build exited $?"
installed_product "$second" || fail "the second build is not installed"
installed_product "$first" && fail "the first build is still installed beside the second"
expect_key "HKCR\\Lumetra.LumetraCOM\\Clsid" "$CLSID"
[[ -f "$installed/Lumetra.exe" ]] || fail "Lumetra.exe is missing after the second install"

w msiexec /x "$rebuild_win" /qn || fail "msiexec /x of the second build exited $?"
installed_product "$second" && fail "the second build is still installed"
[[ ! -e "$installed" ]] || fail "left after the uninstall: $(find "$installed")"
expect_no_registration
echo "OK msi upgrade"
