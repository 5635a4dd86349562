#!/usr/bin/env bash
# Builds the two packages of the Windows programs into build/dist:
#   Lumetra-<version>-x64.msi   per-machine installer (wixl, from packaging/lumetra.wxs)
#   Lumetra-<version>-x64.zip   the same files in a folder "Lumetra", to copy and register
# The programs come from scripts/build_windows.sh; the version is the CMake
# project version (the top CMakeLists.txt), read from the configured build.
# Text files (README.txt, Tolvane.ini, examples) are shipped with CR LF line ends.
# Prints the build's output, then the paths of the two packages.
# Usage: scripts/package.sh [--print-paths]   (--print-paths: only the paths, builds nothing)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
build="$root/build/windows"
dist="$root/build/dist"

project_version() { sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt" 2>/dev/null; }
package_paths() {
  local version
  version="$(project_version)"
  [[ -n "$version" ]] || {
    echo "no configured build in $build (run scripts/package.sh)" >&2
    return 1
  }
  echo "$dist/Lumetra-$version-x64.msi"
  echo "$dist/Lumetra-$version-x64.zip"
}

if [[ "${1:-}" == "--print-paths" ]]; then
  package_paths
  exit 0
fi

scripts/build_windows.sh Lumetra Tolvane
version="$(project_version)"
{ read -r msi && read -r zip; } < <(package_paths)

# The files of both packages, laid out as installed.
staging="$root/build/package"
stage="$staging/Lumetra"
rm -rf "$staging"
mkdir -p "$stage/examples" "$stage/Tolvane" "$dist"
cp "$build/lumetra/automation/win/Lumetra.exe" "$stage/"
cp "$build/tolvane/win/Tolvane.exe" "$stage/Tolvane/"
crlf() { sed 's/\r*$/\r/' "$1" >"$2"; }
crlf packaging/readme.txt "$stage/README.txt"
crlf packaging/tolvane.ini "$stage/Tolvane/Tolvane.ini"
for example in examples/*.vbs examples/*.js; do
  crlf "$example" "$stage/examples/$(basename "$example")"
done

rm -f "$msi" "$zip"
# wixl finds sources relative to its working folder only.
# NextBuild (the version with its third field one up) bounds the upgrade from
# above: wixl writes no inclusive maximum for an UpgradeVersion.
IFS=. read -r major minor patch <<<"$version"
next_build="$major.$minor.$((patch + 1))"
(cd "$staging" && wixl -a x64 -D Version="$version" -D NextBuild="$next_build" -D Stage=Lumetra -o "$msi" \
  "$root/packaging/lumetra.wxs")
(cd "$staging" && zip -q -X -r "$zip" Lumetra)
echo "$msi"
echo "$zip"
