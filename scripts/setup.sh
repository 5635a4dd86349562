#!/usr/bin/env bash
# Installs what the build and the tests need from Debian's packages.
# Usage: scripts/setup.sh LIST...   (LIST names a file scripts/packages_LIST.txt)
# Missing packages are installed with apt-get when run as root; otherwise the
# missing ones are listed and the script fails.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

wanted=()
for list in "$@"; do
  while read -r pkg _; do
    [[ -z "$pkg" || "$pkg" == \#* ]] && continue
    wanted+=("$pkg")
  done < "$here/packages_$list.txt"
done

missing=()
for pkg in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -ne 0 ]]; then
  echo "missing packages (run as root to install): ${missing[*]}" >&2
  exit 1
fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${missing[@]}" >/dev/null
