#!/usr/bin/env bash
# Checks the manual pages against the programs: groff renders each without a
# warning, and each option that a program's --help prints is an entry of its
# page, tagged as --help shows it ("-o, --output OUTDIR" for
# "-o, --output <OUTDIR>"), so that a new option or value fails here until
# the page has it.
#
#   manpages_test.sh MAN_FOLDER TUNEWISE TUNEWISE_CLI
set -euo pipefail
pages=$1
shift

status=0
fail() { echo "FAIL: $*"; status=1; }

for program in "$@"; do
    name=$(basename "$program")
    page="$pages/$name.1"
    warnings=$(groff -man -ww -z "$page" 2>&1)
    [ -z "$warnings" ] || fail "groff warns about $page: $warnings"

    # Entries' tags start at the left margin of the body, seven columns in.
    rendered=$(groff -man -Tascii -P-cbou "$page" 2>/dev/null)
    # Options are indented by two columns in --help, their wrapped
    # descriptions by more.
    help=$(QT_QPA_PLATFORM=offscreen "$program" --help)
    re='^  ((-[[:alnum:]], )?--[[:alnum:]-]+)( <([^>]*)>)?'
    count=0
    while IFS= read -r line; do
        [[ $line =~ $re ]] || continue
        tag="${BASH_REMATCH[1]}${BASH_REMATCH[4]:+ ${BASH_REMATCH[4]}}"
        count=$((count + 1))
        grep -qxE " {7}$(sed 's/[][\.*^$|+?(){}]/\\&/g' <<<"$tag")( .*)?" <<<"$rendered" ||
            fail "$page has no entry '$tag'"
    done <<<"$help"
    [ "$count" -gt 0 ] || fail "no options found in the help of $name"
    echo "checked $count options of $name"
done
[ $status -eq 0 ] && echo "PASS"
exit $status
