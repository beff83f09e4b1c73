#!/usr/bin/env bash
# `cmake --install` into a throwaway DESTDIR under the prefix /usr: everything
# lands inside DESTDIR, and the installed tree passes check_installed.sh.
#   install_tree.sh BUILD_DIR SOURCE_DIR VERSION WITH_GUI
set -euo pipefail
build=$1
src=$2
version=$3
gui=$4
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR=$root cmake --install "$build" --prefix /usr >"$root.log" 2>&1 ||
    { cat "$root.log"; rm -f "$root.log"; exit 1; }
rm -f "$root.log"
# The manifest names every file written, without DESTDIR: each must lie under
# the prefix and be found inside DESTDIR, and DESTDIR must hold nothing else.
manifest=$build/install_manifest.txt
outside=$(grep -v '^/usr/' "$manifest" || true)
[ -z "$outside" ] || { echo "FAIL: installed outside the prefix: $outside" >&2; exit 1; }
while read -r f; do
    [ -f "$root$f" ] || { echo "FAIL: $f was not written inside DESTDIR" >&2; exit 1; }
done <"$manifest"
extra=$(cd "$root" && find . -type f | sed 's/^\.//' | sort | comm -23 - <(sort "$manifest"))
[ -z "$extra" ] || { echo "FAIL: files in DESTDIR not in the manifest: $extra" >&2; exit 1; }
[ "$(ls -A "$root")" = usr ] || { echo "FAIL: DESTDIR holds $(ls -A "$root")" >&2; exit 1; }
bash "$src/tests/package/check_installed.sh" "$root/usr" "$version" "$gui" "$src"
