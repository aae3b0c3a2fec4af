#!/usr/bin/env bash
# Installs the build into a DESTDIR and runs the installed quorvel's unattended one-click pass
# on a fresh copy of the demo machine it finds in ../share/quorvel.
set -euo pipefail
build="$1"
dest="$(mktemp -d)"
trap 'rm -rf "$dest"' EXIT
DESTDIR="$dest" cmake --install "$build" --prefix /usr >/dev/null
export HOME="$dest/home" XDG_DATA_HOME="$dest/data"
unset WINEPREFIX
out="$("$dest/usr/bin/quorvel" --fresh-demo oneclick --unattended)"
echo "$out"
grep -q "problems repaired" <<<"$out"
grep -q "The pass is over." <<<"$out"
test -d "$dest/usr/share/quorvel/languages"
if [ -x "$build/bin/vantrel" ]; then
    test -f "$dest/usr/share/applications/quorvel-utilities.desktop"
fi
if command -v help2man >/dev/null; then
    test -s "$dest/usr/share/man/man1/quorvel.1"
fi
