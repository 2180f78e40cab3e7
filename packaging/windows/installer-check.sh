#!/usr/bin/env bash
# Installs the Windows installer silently into a Wine prefix of its own, as a user's first
# install would, checks what it put in place and that the installed shell tool runs, then
# uninstalls silently and checks that nothing is left: files, Start-menu entries, registry keys.
#   installer-check.sh INSTALLER.exe
set -euo pipefail
installer=$(realpath "$1")
prefix=$(mktemp -d)
trap 'WINEPREFIX=$prefix wineserver -k 2>/dev/null || true; rm -rf "$prefix"' EXIT
export WINEPREFIX=$prefix WINEDEBUG=-all
# No .NET, no browser engine, and no Linux menu entries made from the Start-menu links.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset WINEPATH
fail() { echo "installer check: $*" >&2; exit 1; }

wine wineboot --init
wineserver -w
folder="$prefix/drive_c/Program Files/Brindlewood"
# All users' Start menu when the installer runs as an administrator, else the user's own; the
# folder is named after the package and its version.
programs=("$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
    "$prefix/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs")
menu_folders() { find "${programs[@]}" -maxdepth 1 -name 'Brindlewood*' 2>/dev/null; }
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Brindlewood'
vendor_key='HKLM\Software\The Brindlewood developers'

wine "$installer" /S
wineserver -w
for file in brindlewood.exe brindlewood-check.exe Qt6Core.dll platforms/qwindows.dll \
    README.txt Uninstall.exe; do
    [[ -f $folder/$file ]] || fail "$file is not in Program Files\\Brindlewood"
done
menu=$(menu_folders | head -n 1)
[[ -n $menu ]] || fail "no Brindlewood folder in the Start menu: $(find "$prefix/drive_c" -name '*.lnk')"
for link in Brindlewood.lnk "Brindlewood Command Prompt.lnk" Uninstall.lnk; do
    [[ -f $menu/$link ]] || fail "the Start menu has no $link"
done
wine reg query "$uninstall_key" >/dev/null || fail "no uninstall key"
version=$(wine "C:\\Program Files\\Brindlewood\\brindlewood-check.exe" --version | tr -d '\r')
[[ $version == "brindlewood-check "* ]] || fail "the installed brindlewood-check.exe did not run"
echo "Installed silently: $version"

# The uninstaller copies itself to the temporary folder and runs from there; the Wine server
# ends when it has.
wine "C:\\Program Files\\Brindlewood\\Uninstall.exe" /S
wineserver -w
[[ ! -e $folder ]] || fail "left behind: $(find "$folder" | head -n 5)"
[[ -z $(menu_folders) ]] || fail "Start-menu entries left behind: $(menu_folders)"
for key in "$uninstall_key" "$vendor_key"; do
    if wine reg query "$key" >/dev/null 2>&1; then fail "registry key left behind: $key"; fi
done
echo "Uninstalled silently: no files, Start-menu entries or registry keys left"
