#!/usr/bin/env bash
# Checks an installed tree: the programs run from it and find their data with
# no options, and the desktop files, manual pages, completion and help pages
# are present and valid.
#   check_installed.sh PREFIX VERSION WITH_GUI(0|1) SOURCE_DIR
# PREFIX is the installed /usr (DESTDIR/usr, or an unpacked package's usr).
set -euo pipefail
prefix=$1
version=$2
gui=$3
src=$4
work=$(mktemp -d)
sim_pid=""
cleanup() {
    if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
bin=$prefix/bin
data=$prefix/share/kvx-comm
# Run from elsewhere, so nothing is found through the working folder.
cd "$work"

echo "-- files in place"
programs=(kvx-cli kvx-relay-sim)
[ "$gui" = 1 ] && programs+=(kvx-comm)
expected=(share/kvx-comm/help/tlx_index.html share/bash-completion/completions/kvx-cli
    share/doc/kvx-comm/copyright share/doc/kvx-comm/changelog.gz)
for p in "${programs[@]}"; do expected+=("bin/$p" "share/man/man1/$p.1.gz"); done
if [ "$gui" = 1 ]; then
    expected+=(share/applications/example.halvoren.kvx_comm.desktop
        share/metainfo/example.halvoren.kvx_comm.metainfo.xml
        share/mime/packages/kvx-comm.xml
        share/icons/hicolor/scalable/apps/kvx-comm.svg)
    for size in 16 24 32 48 64 128 256; do
        expected+=("share/icons/hicolor/${size}x${size}/apps/kvx-comm.png")
    done
fi
for f in "${expected[@]}"; do [ -s "$prefix/$f" ] || fail "missing $prefix/$f"; done
for f in "$src"/defaults/*.xml; do
    cmp -s "$f" "$data/Defaults/$(basename "$f")" || fail "Defaults/$(basename "$f") not installed"
done
for f in "$src"/help/*; do
    cmp -s "$f" "$data/help/$(basename "$f")" || fail "help/$(basename "$f") not installed"
done

echo "-- one version everywhere"
for p in "${programs[@]}"; do
    out=$("$bin/$p" --version)
    [ "$out" = "$p $version" ] || fail "$p --version printed '$out', expected '$p $version'"
done
"$bin/kvx-relay-sim" --help | grep -q -- '--model' || fail "kvx-relay-sim --help"

echo "-- the installed Defaults are found with no option"
listing=$("$bin/kvx-cli" defaults)
printf '%s\n' "$listing" | grep -q "^DRA	.*(dra_defaults_190.xml)" || fail "kvx-cli defaults: $listing"
# Take one file away from the installed folder: the listing must follow, so it
# was that folder that was read.
rm "$data/Defaults/qrt4700_defaults_100.xml"
"$bin/kvx-cli" defaults | grep -q "qrt4700_defaults_100.xml" && fail "kvx-cli defaults did not read $data/Defaults"
cp "$src/defaults/qrt4700_defaults_100.xml" "$data/Defaults/"

echo "-- the installed simulator and command line talk to each other"
"$bin/kvx-relay-sim" --model DRA --firmware 197 --tcp 127.0.0.1:0 >"$work/sim.out" 2>&1 &
sim_pid=$!
port=""
for _ in $(seq 50); do
    port=$(grep -o -m1 '127\.0\.0\.1:[0-9]*' "$work/sim.out" | sed 's/.*://' || true)
    [ -n "$port" ] && [ "$port" != 0 ] && break
    kill -0 "$sim_pid" 2>/dev/null || fail "kvx-relay-sim ended: $(cat "$work/sim.out")"
    sleep 0.1
done
[ -n "$port" ] || fail "kvx-relay-sim printed no port: $(cat "$work/sim.out")"
grep -q "^definitions: $data/Defaults/dra_defaults_190.xml" "$work/sim.out" ||
    fail "kvx-relay-sim did not use $data/Defaults: $(cat "$work/sim.out")"
ident=$("$bin/kvx-cli" --tcp "127.0.0.1:$port" identify --yes)
printf '%s\n' "$ident" | grep -q "dra_defaults_190.xml" || fail "identify: $ident"
kill "$sim_pid"
wait "$sim_pid" 2>/dev/null || true
sim_pid=""

echo "-- manual pages render without warnings and list every command"
for p in "${programs[@]}"; do
    page=$prefix/share/man/man1/$p.1.gz
    LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" >"$work/$p.txt" 2>"$work/$p.err" ||
        fail "man -l $page"
    [ ! -s "$work/$p.err" ] || fail "man -l $page: $(cat "$work/$p.err")"
    grep -q "^NAME" "$work/$p.txt" || fail "$page has no NAME section"
done
subcommands=$("$bin/kvx-cli" --help | sed -n '/^Subcommands:/,$ s/^  \([a-z][a-z0-9-]*\) .*/\1/p')
[ -n "$subcommands" ] || fail "kvx-cli --help lists no subcommands"
for sub in $subcommands; do
    grep -q "^   $sub\$" "$work/kvx-cli.txt" || fail "kvx-cli(1) has no section for $sub"
done

echo "-- bash completion offers what kvx-cli --help lists"
bash "$src/tests/package/check_completion.sh" "$prefix/share/bash-completion/completions/kvx-cli" \
    "$bin/kvx-cli"

echo "-- help pages: every link inside them leads somewhere"
python3 "$src/tests/package/check_help_links.py" "$data/help"

if [ "$gui" = 1 ]; then
    echo "-- desktop entry, MIME type and AppStream file"
    desktop=$prefix/share/applications/example.halvoren.kvx_comm.desktop
    desktop-file-validate "$desktop" >"$work/desktop.err" 2>&1 || fail "$(cat "$work/desktop.err")"
    [ ! -s "$work/desktop.err" ] || fail "desktop-file-validate: $(cat "$work/desktop.err")"
    appstreamcli validate --no-net --explain \
        "$prefix/share/metainfo/example.halvoren.kvx_comm.metainfo.xml" ||
        fail "appstreamcli validate"
    grep -q '^Exec=kvx-comm %f$' "$desktop" || fail "desktop entry does not pass the file"
    grep -q '^MimeType=application/x-kvx-setpoints;$' "$desktop" || fail "desktop entry MimeType"
    # The MIME definition compiles, and a setpoint file is recognised by name
    # and by its header alone.
    cp -r "$prefix/share/mime" "$work/mime"
    update-mime-database "$work/mime" >/dev/null || fail "update-mime-database"
    [ -f "$work/mime/application/x-kvx-setpoints.xml" ] || fail "MIME type not registered"
    grep -q 'application/x-kvx-setpoints:\*\.cds' "$work/mime/globs" || fail "*.cds glob missing"
    "$bin/kvx-comm" --help | grep -q -- '--demo' || fail "kvx-comm --help"
fi
echo "-- installed tree checked: $prefix"
