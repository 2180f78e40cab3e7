#!/usr/bin/env bash
# Drives the bash completion of brindlewood-check the way bash does on Tab: fills in
# COMP_WORDS/COMP_CWORD, calls the completion function and reads COMPREPLY.
#   completion_test.sh COMPLETION_FILE [BRINDLEWOOD_CHECK]
# With the program given, every option its --help lists must also be completed.
set -uo pipefail

completion=$(realpath "$1")
program=${2:+$(realpath "$2")}
passed=0
failed=0

# Complete the last word of the command line LINE (a trailing blank starts an empty word)
# in a fresh bash that has only this completion file loaded.
complete_line() {
    local line=$1
    bash --norc --noprofile -c '
        source "$1" || exit 9
        # Bash breaks words at "=" too (COMP_WORDBREAKS), making it a word of its own.
        read -ra COMP_WORDS <<<"${2//=/ = }"
        [[ $2 == *" " ]] && COMP_WORDS+=("")
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        COMP_LINE=$2
        COMP_POINT=${#2}
        _brindlewood_check
        printf "%s\n" "${COMPREPLY[@]}"
    ' _ "$completion" "$line" | sort
}

check() {
    local name=$1 got=$2 want=$3
    if [[ $got == "$want" ]]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        printf 'FAIL: %s\n  expected: %s\n  got:      %s\n' "$name" "${want//$'\n'/ }" "${got//$'\n'/ }"
    fi
}

[[ -r $completion ]] || { echo "FAIL: cannot read $completion"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 2
mkdir folder
touch -- links.txt 'two words.txt' -dashed

# Options: a prefix narrows to the one option it names.
check "--va completes to --valid-out" "$(complete_line 'brindlewood-check --va')" "--valid-out"
check "--max- offers both limits" "$(complete_line 'brindlewood-check --max-')" $'--max-age\n--max-wait'
check "--un completes to --unknown-out" "$(complete_line 'brindlewood-check links.txt --un')" "--unknown-out"

# Format names, after a blank and after "=".
formats=$'csv\njson\nlines\nmarkdown'
check "--format offers the four formats" "$(complete_line 'brindlewood-check --format ')" "$formats"
check "--format m narrows to markdown" "$(complete_line 'brindlewood-check --format m')" "markdown"
check "--format= offers the four formats" "$(complete_line 'brindlewood-check --format=')" "$formats"
check "--format=cs narrows to csv" "$(complete_line 'brindlewood-check --format=cs')" "csv"

# File names wherever a FILE, PAGE or LINKFILE goes.
all_files=$'-dashed\nfolder\nlinks.txt\ntwo words.txt'
check "--valid-out offers files" "$(complete_line 'brindlewood-check --valid-out ')" "$all_files"
check "--cache offers files" "$(complete_line 'brindlewood-check -j 8 --cache ')" "$all_files"
check "--valid-out -d is a file, not an option" "$(complete_line 'brindlewood-check --valid-out -d')" "-dashed"
check "--invalid-out l narrows files" "$(complete_line 'brindlewood-check --invalid-out l')" "links.txt"
check "a link file goes where options end" "$(complete_line 'brindlewood-check --json ')" "$all_files"
check "a page file after --page" "$(complete_line 'brindlewood-check --page t')" "two words.txt"
check "after -- a dash starts a file name" "$(complete_line 'brindlewood-check -- -')" "-dashed"

# Numbers and ages: no file names offered.
for option in -j --jobs --retries --max-wait --rate --max-age; do
    check "$option offers nothing" "$(complete_line "brindlewood-check $option ")" ""
done

# Every option the program itself lists must be completed.
if [[ -n $program ]]; then
    help=$("$program" --help) || { echo "FAIL: $program --help"; exit 1; }
    options=$(grep -oE '(^|[ ,])--[a-z][a-z-]*' <<<"$help" | tr -d ' ,' | grep -vx -- '--help-all' | sort -u)
    offered=$(complete_line 'brindlewood-check --')
    for option in $options; do
        check "--help's $option is completed" "$(grep -cx -- "$option" <<<"$offered")" "1"
    done
fi

echo "$passed passed, $failed failed"
((failed == 0))
