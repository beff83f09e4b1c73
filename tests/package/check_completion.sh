#!/usr/bin/env bash
# Drives the bash completion of kvx-cli as bash does on TAB and checks that it
# offers what the program's --help lists.
#   check_completion.sh COMPLETION_FILE KVX_CLI
set -uo pipefail
completion=$1
cli=$2
# shellcheck source=/dev/null
source "$completion"
status=0
complete_words() {  # the words typed so far, the last one being completed
    COMP_WORDS=("$cli" "$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _kvx_cli
    printf '%s\n' "${COMPREPLY[@]}" | sort
}
expect() {  # expected (newline-separated, sorted) -- words...
    local want=$1
    shift
    local got
    got=$(complete_words "$@")
    if [ "$got" != "$want" ]; then
        echo "FAIL: completing '$*': got [$(echo $got)], expected [$(echo $want)]" >&2
        status=1
    fi
}

subcommands=$("$cli" --help | sed -n '/^Subcommands:/,$ s/^  \([a-z][a-z0-9-]*\) .*/\1/p' | sort)
[ "$(echo "$subcommands" | wc -l)" -gt 3 ] || { echo "FAIL: no subcommands in --help" >&2; exit 1; }
expect "$subcommands" ""
expect "$(printf '%s\n' "$subcommands" | grep '^read-')" read-
# Options before the command, with their values, do not hide it.
expect "identify" --tcp 127.0.0.1 --unit 3 ident
expect "--check" --ch
expect "$(printf 'bcc\ncrc')" --check ""
expect "19200" --baud 1
# A subcommand's own options join the link options.
want=$("$cli" curves --help | sed -n 's/^  \(-[^ ]*\).*/\1/p' | tr ',' '\n' | grep -- '^--se')
[ -n "$want" ] || { echo "FAIL: curves --help has no --se... option" >&2; exit 1; }
expect "$want" --tcp 127.0.0.1 curves --se
exit $status
