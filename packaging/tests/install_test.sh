#!/usr/bin/env bash
# Installs a build into a scratch prefix and checks it the way a desktop, a software centre,
# man and bash would find it.
#   install_test.sh BUILD_DIR BRINDLEWOOD_CHECK
set -uo pipefail

build=$1
program=$2
passed=0
failed=0

pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL: $*"; }
expect() { # expect DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@"; then pass; else fail "$what"; fi
}

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
if ! cmake --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1; then
    cat "$prefix.log"
    rm -f "$prefix.log"
    echo "FAIL: cmake --install"
    exit 1
fi
rm -f "$prefix.log"
share=$prefix/share

# --- Programs and desktop entry ---------------------------------------------------------
expect "bin/brindlewood installed" test -x "$prefix/bin/brindlewood"
expect "bin/brindlewood-check installed" test -x "$prefix/bin/brindlewood-check"
desktop=$share/applications/brindlewood.desktop
expect "desktop entry installed" test -f "$desktop"
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
expect "Exec=$exec_name names an installed program" test -x "$prefix/bin/$exec_name"
if command -v desktop-file-validate >/dev/null; then
    expect "desktop-file-validate accepts the entry" desktop-file-validate "$desktop"
fi

# --- Icon=NAME must be found by the hicolor theme -----------------------------------------
# The theme searches only the folders its index lists; a PNG must also be the size its
# folder claims, or desktops scale the wrong picture.
icon=$(sed -n 's/^Icon=//p' "$desktop")
index=/usr/share/icons/hicolor/index.theme
if [[ -r $index ]]; then
    theme_dirs=$(sed -n 's/^Directories=//p' "$index" | tr ',' '\n')
else
    theme_dirs=$(printf '%s/apps\n' 16x16 22x22 24x24 32x32 48x48 64x64 128x128 256x256 512x512 scalable)
fi
found=0
for file in "$share"/icons/hicolor/*/apps/*; do
    dir=${file#"$share"/icons/hicolor/}
    dir=${dir%/*}
    name=${file##*/}
    if ! grep -qx -- "$dir" <<<"$theme_dirs"; then
        fail "icon folder $dir is not in the hicolor index"
        continue
    fi
    [[ ${name%.*} == "$icon" ]] && found=$((found + 1))
    if [[ $name == *.png ]]; then
        size=${dir%%x*}
        # PNG width and height: big-endian at bytes 16 and 20 of the IHDR chunk.
        read -r width height < <(od -An -tu1 -j16 -N8 "$file" |
            awk '{ print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }')
        [[ $width == "$size" && $height == "$size" ]] || fail "$dir/$name is ${width}x${height}"
    fi
done
expect "Icon=$icon found in several hicolor sizes (found $found)" test "$found" -ge 4
expect "scalable Icon=$icon installed" test -f "$share/icons/hicolor/scalable/apps/$icon.svg"

# --- AppStream ------------------------------------------------------------------------------
metainfo=$(ls "$share"/metainfo/*.metainfo.xml 2>/dev/null | head -n 1)
expect "metainfo installed" test -n "$metainfo"
if [[ -n $metainfo ]]; then
    id=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$metainfo")
    expect "metainfo file named after its id $id" test "${metainfo##*/}" = "$id.metainfo.xml"
    launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
    expect "launchable $launchable is the installed desktop entry" test -f "$share/applications/$launchable"
    if command -v appstreamcli >/dev/null; then
        expect "appstreamcli validate accepts the metainfo" \
            appstreamcli validate --no-net "$metainfo" >/dev/null
    fi
fi

# --- Manuals, compressed as Debian's policy asks ---------------------------------------------
for page in brindlewood brindlewood-check; do
    man_file=$share/man/man1/$page.1.gz
    expect "$page.1.gz installed" test -f "$man_file"
    if command -v groff >/dev/null && [[ -f $man_file ]]; then
        warnings=$(gzip -dc "$man_file" | groff -man -Tutf8 -ww -z 2>&1)
        expect "$page.1 renders without warnings: $warnings" test -z "$warnings"
    fi
done
# Every option the program lists must be in its manual (options are written \-\-name there).
help=$("$program" --help) || fail "$program --help"
for option in $(grep -oE '(^|[ ,])--[a-z][a-z-]*' <<<"$help" | tr -d ' ,' | grep -vx -- '--help-all' | sort -u); do
    expect "brindlewood-check.1 documents $option" \
        zgrep -qF -- "${option//-/\\-}" "$share/man/man1/brindlewood-check.1.gz"
done

# --- Copyright and changelog -------------------------------------------------------------------
expect "copyright installed" test -s "$share/doc/brindlewood/copyright"
expect "changelog installed, compressed" gzip -t "$share/doc/brindlewood/changelog.gz"

# --- Shell completion -------------------------------------------------------------------------
completion=$share/bash-completion/completions/brindlewood-check
expect "bash completion installed under the command's name" test -f "$completion"
expect "the completion registers itself for brindlewood-check" \
    bash --norc --noprofile -c 'source "$1" && complete -p brindlewood-check >/dev/null' _ "$completion"

echo "$passed passed, $failed failed"
((failed == 0))
