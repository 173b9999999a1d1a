#!/usr/bin/env bash
# Installs the Debian packages of the given lists that are not installed yet:
#   scripts/setup.sh [--no-recommends] [LIST...]   (names relative to scripts/; default:
#                                                both lists)
# packages-run.txt is what building and running the program needs, packages.txt what
# the tests, the benchmarks and the Windows build add.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
apt_options=()
if [ "${1:-}" = --no-recommends ]; then
  apt_options+=(--no-install-recommends)
  shift
fi
lists=("$@")
[ ${#lists[@]} -gt 0 ] || lists=(packages-run.txt packages.txt)
wanted=()
for list in "${lists[@]}"; do
  mapfile -t -O "${#wanted[@]}" wanted < <(grep -vE '^[[:space:]]*(#|$)' "$here/$list")
done
missing=()
for package in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  echo "Installing ${#missing[@]} packages and what they need: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${apt_options[@]}" \
    "${missing[@]}" >/dev/null
fi
