#!/bin/sh
# Writes a program's manual page from its own --help and --version output, so
# the page lists exactly the options and subcommands the program has.
#   gen-man.sh PROGRAM "WHAT IT IS" INCLUDE.h2m OUT.1.gz
# INCLUDE.h2m holds the hand-written sections (description, files, examples).
# A program with subcommands gets a COMMANDS section from each one's --help.
set -eu
program=$1
name=$2
include=$3
out=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# roff text of a help block: no-fill, with backslashes, minus signs and
# lines starting with a control character made literal.
as_roff() {
    sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/^\\([.']\\)/\\\\\\&\\1/"
}

cp "$include" "$work/page.h2m"
subcommands=$("$program" --help | sed -n '/^Subcommands:/,$ s/^  \([a-z][a-z0-9-]*\) .*/\1/p')
if [ -n "$subcommands" ]; then
    {
        echo "[COMMANDS]"
        echo "Each command takes the options above as well as its own."
        for sub in $subcommands; do
            echo ".SS $sub"
            echo ".nf"
            "$program" "$sub" --help | as_roff
            echo ".fi"
        done
    } >>"$work/page.h2m"
fi

# help2man reads the options from --help and the version line from --version.
help2man --no-info --section 1 --name "$name" --include "$work/page.h2m" \
    --output "$work/page.1" "$program"
gzip -9n <"$work/page.1" >"$out.tmp"
mv "$out.tmp" "$out"
