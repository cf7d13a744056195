#!/usr/bin/env bash
# Runs the bash completion of tunewise-cli in a real bash with
# bash-completion loaded, against the built program, and checks what Tab
# offers on a few command lines.
#
#   completion_test.sh COMPLETION TUNEWISE_CLI
set -euo pipefail
completion=$(realpath "$1")
program=$(realpath "$2")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# What there is to complete: two folders and two files, one named like an
# option; the program is found on the PATH, as it is when installed.
mkdir -p "$scratch/bin" "$scratch/home" "$scratch/work/Music" "$scratch/work/Retuned"
touch "$scratch/work/Song.wav" "$scratch/work/--odd.wav"
ln -s "$program" "$scratch/bin/tunewise-cli"

# offered LINE: the words Tab offers at the end of LINE, sorted, on one
# line. The words are split as readline splits them: at blanks, and around
# an "=".
offered() {
    (cd "$scratch/work" && HOME="$scratch/home" PATH="$scratch/bin:$PATH" bash --norc --noprofile -c '
        source /usr/share/bash-completion/bash_completion
        source "$1"
        COMP_LINE=$2
        COMP_POINT=${#COMP_LINE}
        read -ra COMP_WORDS <<<"${COMP_LINE//=/ = }"
        [[ $COMP_LINE == *" " ]] && COMP_WORDS+=("")
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        _tunewise_cli tunewise-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
        printf "%s\n" "${COMPREPLY[@]}" | sort | paste -sd " "
    ' bash "$completion" "$1")
}

status=0
cases=(
    # line                         offered
    "tunewise-cli --for|--formants --format"
    "tunewise-cli --sk|--skip-existing"
    "tunewise-cli --format f|flac"
    "tunewise-cli --formants |keep shift"
    "tunewise-cli --format=w|wav"
    "tunewise-cli --algorithm f|frequency"
    "tunewise-cli --sample-rate s|source"
    "tunewise-cli --source |detect"
    "tunewise-cli --target 4|417 432 440"
    "tunewise-cli --jobs |"
    "tunewise-cli Song.wav -o |Music Retuned"
    "tunewise-cli --quiet S|Song.wav"
    "tunewise-cli -o Retuned -- --o|--odd.wav"
    "tunewise-cli --preview Song.wav -o S|Song.wav"
    "tunewise-cli --preview Song.wav --side |both original target"
)
for row in "${cases[@]}"; do
    line=${row%%|*} expected=${row#*|}
    actual=$(offered "$line")
    if [ "$actual" = "$expected" ]; then
        echo "PASS: '$line' offers '$actual'"
    else
        echo "FAIL: '$line' offers '$actual', not '$expected'"
        status=1
    fi
done
exit $status
