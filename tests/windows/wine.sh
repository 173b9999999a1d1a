#!/bin/sh
# Runs a Windows program under Wine in a prefix of its own, removed afterwards, and
# exits with the program's exit code. Wine is told not to look for its HTML engine or
# its .NET runtime, which Debian does not package.
set -u
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
prefix=$(mktemp -d "${TMPDIR:-/tmp}/sp-wine-XXXXXX") || exit 1
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mshtml=;mscoree="
"$wine" "$@"
status=$?
"$wineserver" -k 2>/dev/null
"$wineserver" -w 2>/dev/null
rm -rf "$prefix"
exit "$status"
