#!/usr/bin/env bash
# Builds libxml2 for 64-bit Windows from Debian's source package (the same
# version as the native libxml2-dev, with Debian's patches applied) with
# mingw-w64 and installs it as a static library into a cache outside the
# clone (LUMETRA_CACHE_DIR, by default ~/.cache/lumetra), one folder per
# libxml2 and mingw-w64 version, so a fresh clone reuses it.
# Only the parts Lumetra uses are built: no iconv, zlib, lzma, HTTP, FTP,
# Python, programs or tests. The source is fetched into build/, never into
# the repository.
#
# apt-get source needs deb-src entries; they are set up here in a private
# apt configuration under build/apt (the system's sources are not touched),
# derived from the system's own deb entries.
# Usage: scripts/build_libxml2_windows.sh [--force | --print-prefix]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
version="$(dpkg-query -W -f='${Version}' libxml2-dev 2>/dev/null || true)"
compiler="$(x86_64-w64-mingw32-g++ -dumpversion 2>/dev/null || echo unknown)"
cache="${LUMETRA_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/lumetra}"
prefix="$cache/windows-deps/libxml2-${version:-latest}-mingw-$compiler"
if [[ "${1:-}" == "--print-prefix" ]]; then
  echo "$prefix"
  exit 0
fi
work="$root/build/windows-deps-src/libxml2"
apt_dir="$root/build/apt"

if [[ -f "$prefix/lib/libxml2.a" && "${1:-}" != "--force" ]]; then
  echo "libxml2 for Windows is already in $prefix (--force builds it again)"
  exit 0
fi

# Private apt configuration with deb-src lines for the system's deb sources.
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/sources.list.d"
sources="$apt_dir/sources.list.d/deb-src.sources"
: > "$sources"
for file in /etc/apt/sources.list.d/*.sources; do
  [[ -f "$file" ]] || continue
  sed -e 's/^Types:.*deb\b.*/Types: deb-src/' "$file" >> "$sources"
  echo >> "$sources"
done
for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  [[ -f "$file" ]] || continue
  sed -n -e 's/^deb \(.*\)/deb-src \1/p' "$file" >> "$apt_dir/sources.list.d/deb-src.list"
done
apt_options=(
  -o "Dir::Etc::SourceList=/dev/null"
  -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
  -o "Dir::State::Lists=$apt_dir/lists"
  -o "Dir::Cache=$apt_dir/cache"
  -o "Debug::NoLocking=1"
)
apt-get "${apt_options[@]}" update -qq

rm -rf "$work"
mkdir -p "$work"
(
  cd "$work"
  if [[ -n "$version" ]]; then
    apt-get "${apt_options[@]}" source -qq "libxml2=$version" || apt-get "${apt_options[@]}" source -qq libxml2
  else
    apt-get "${apt_options[@]}" source -qq libxml2
  fi
)
src="$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'libxml2-*' | head -n 1)"
[[ -n "$src" && -f "$src/CMakeLists.txt" ]] || { echo "no libxml2 source with a CMakeLists.txt in $work" >&2; exit 1; }

cmake -S "$src" -B "$work/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw_w64_x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DBUILD_SHARED_LIBS=OFF \
  -DLIBXML2_WITH_ICONV=OFF -DLIBXML2_WITH_ICU=OFF -DLIBXML2_WITH_LZMA=OFF -DLIBXML2_WITH_ZLIB=OFF \
  -DLIBXML2_WITH_PYTHON=OFF -DLIBXML2_WITH_HTTP=OFF -DLIBXML2_WITH_FTP=OFF \
  -DLIBXML2_WITH_PROGRAMS=OFF -DLIBXML2_WITH_TESTS=OFF -DLIBXML2_WITH_MODULES=OFF
cmake --build "$work/build" -j2
cmake --install "$work/build"
echo "libxml2 for Windows installed in $prefix"
