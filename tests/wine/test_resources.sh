#!/usr/bin/env bash
# What Lumetra.exe carries: the type library, its own main icon, the manifest,
# the version 1.0.002, and no DLL that every Windows does not have (no runtime, no TLS library).
source "$(dirname "$0")/lib.sh"

rc="$(x86_64-w64-mingw32-windres -i "$LUMETRA_EXE" -O rc 2>/dev/null)" || fail "cannot read the resources"
grep -q '^1 "TYPELIB"' <<<"$rc" || fail "no resource TYPELIB 1"
grep -q 'Name: "MAINICON"' <<<"$rc" || fail "no MAINICON"
grep -q '^1 24 /\* RT_MANIFEST \*/' <<<"$rc" || fail "no manifest"
grep -q 'FILEVERSION 1, 0, 0, 2' <<<"$rc" || fail "file version is not 1.0.0.2"
grep -q '"ProductVersion", "1.0.002"' <<<"$rc" || fail "product version is not 1.0.002"

# The manifest text, decoded from windres' byte listing.
manifest="$(x86_64-w64-mingw32-windres -i "$LUMETRA_EXE" -O res -o "$work/lumetra.res" && strings "$work/lumetra.res")"
for needle in 'level="asInvoker"' 'PerMonitorV2' '>true/pm<' 'Microsoft.Windows.Common-Controls' 'version="6.0.0.0"'; do
  grep -qF "$needle" <<<"$manifest" || fail "the manifest lacks $needle"
done

imports="$(x86_64-w64-mingw32-objdump -p "$LUMETRA_EXE" | awk '/DLL Name:/ { print tolower($3) }')"
for dll in $imports; do
  case "$dll" in
    kernel32.dll | user32.dll | advapi32.dll | ole32.dll | oleaut32.dll | shell32.dll | ws2_32.dll | msvcrt.dll) ;;
    secur32.dll | crypt32.dll) ;; # Secure Channel and the certificate check: part of every Windows
    *) fail "Lumetra.exe needs $dll" ;;
  esac
done
echo "OK resources"
