#!/usr/bin/env bash
# Installs the Debian packages of the given lists (names relative to scripts/; default
# packages.txt, what building and running need) that are not installed yet. Arguments that are not
# list files are package names.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
(($#)) || set -- packages.txt
wanted=()
for list in "$@"; do
  if [[ -f "$here/$list" ]]; then
    while read -r pkg; do
      [[ -z "$pkg" || "$pkg" == \#* ]] && continue
      wanted+=("$pkg")
    done < "$here/$list"
  else
    wanted+=("$list")
  fi
done
missing=()
for pkg in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [[ $(id -u) -ne 0 ]] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
