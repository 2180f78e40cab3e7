#!/usr/bin/env bash
# Makes the Windows dependencies ready in their cache folder (outside any checkout, so every
# build and CI reuse them) and prints the folder:
#   qt/          Qt for Windows, as Debian's host Qt (qt6-base) of the same version
#   curl/        libcurl and its headers for brindlewood-check (Schannel, no OpenSSL)
#   fetch-tool/  curl.exe linked statically, the tool the window writes out and runs
#   mingw-w64.cmake  the CMake toolchain file of the -posix cross compilers
# Each part is built once and reused while its version is the one asked for (the version
# of Debian's own package on this machine). Qt and libcurl are taken from the prebuilt
# archive brindlewood-windows-deps-qtQT-curlCURL-x64.tar.xz when it is found (in
# $BRINDLEWOOD_WINDOWS_ARCHIVE_DIR or ../shared/windows beside the checkout); otherwise they
# are built from Debian's source packages, which takes two to three hours on two cores.
#   windows-deps.sh           make the cache ready
#   windows-deps.sh --check   only tell (exit status 0 or 1) whether it is ready
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)

# The prebuilt archive's Qt names this folder inside itself, so the cache lives here.
root=/opt/brindlewood-windows
jobs=$(nproc)

version_of() { dpkg-query -W -f='${Version}' "$1" 2>/dev/null; }
qt_version=$(version_of qt6-base-dev)
qt_version=${qt_version%%[+-]*} # 6.4.2+dfsg-10 -> 6.4.2
curl_package=$(version_of curl) # the exact Debian version the fetch tool is built from
curl_version=${curl_package%%-*}
want_qt="qt6-base $qt_version"
want_curl="curl $curl_version"
want_tool="curl $curl_package static"

has() { [[ -f $root/$1/.version && $(cat "$root/$1/.version") == "$2" ]]; }
ready() { has qt "$want_qt" && has curl "$want_curl" && has fetch-tool "$want_tool"; }

if [[ ${1:-} == --check ]]; then
    [[ -n $qt_version && -n $curl_version ]] && ready
    exit
fi
if [[ -z $qt_version || -z $curl_version ]]; then
    echo "$0: qt6-base-dev and curl must be installed first" >&2
    exit 1
fi
if ready; then
    echo "$root"
    exit 0
fi
mkdir -p "$root"
work=$(mktemp -d "$root/.work.XXXXXX")
trap 'rm -rf "$work"' EXIT

# --- the toolchain file ------------------------------------------------------------------
cat >"$work/mingw-w64.cmake" <<'TOOLCHAIN'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
TOOLCHAIN
cmp -s "$work/mingw-w64.cmake" "$root/mingw-w64.cmake" 2>/dev/null \
    || mv "$work/mingw-w64.cmake" "$root/mingw-w64.cmake"

# --- seeding from the prebuilt archive -----------------------------------------------------
archive_name=brindlewood-windows-deps-qt$qt_version-curl$curl_version-x64.tar.xz
archive=
for dir in ${BRINDLEWOOD_WINDOWS_ARCHIVE_DIR:-} "$repo/../shared/windows" "$repo/../../shared/windows"; do
    [[ -n $dir && -f $dir/$archive_name ]] && { archive=$dir/$archive_name; break; }
done
if [[ -n $archive ]] && ! { has qt "$want_qt" && has curl "$want_curl"; }; then
    echo "Seeding $root from $archive"
    tar -xJf "$archive" -C "$work"
    for part in qt curl; do
        rm -rf "$root/$part"
        mv "$work/brindlewood-windows/$part" "$root/$part"
    done
    echo "$want_qt" >"$root/qt/.version"
    echo "$want_curl" >"$root/curl/.version"
fi

# --- Debian's source packages, from a private list of deb-src lines ------------------------
# The system's own sources stay as they are; only this list knows of source packages.
fetch_source() { # fetch_source PACKAGE VERSION FOLDER: unpacked with Debian's patches
    local apt=$work/apt
    if [[ ! -d $apt ]]; then
        mkdir -p "$apt/lists/partial" "$apt/parts"
        cat >"$apt/parts/debian-src.sources" <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
    fi
    local options=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$apt/parts"
                   -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache"
                   -o APT::Sandbox::User=root -q)
    [[ -f $apt/updated ]] || { apt-get "${options[@]}" update && touch "$apt/updated"; }
    (cd "$work" && apt-get "${options[@]}" source --download-only "$1=$2")
    dpkg-source --no-check -x "$work/$1_${2#*:}.dsc" "$3" >/dev/null
}

# --- Qt from source ------------------------------------------------------------------------
# Only what the programs use: Core, Gui, Widgets, the windows platform plugin and Test. Debian's
# source leaves out src/3rdparty/wintab, so tablet events are off; OpenGL stays at its default
# (Qt 6.4's windows plugin does not build without it).
if ! has qt "$want_qt"; then
    qt_package=$(version_of qt6-base-dev)
    echo "Building Qt $qt_version for Windows from Debian's qt6-base $qt_package (two to three hours)"
    fetch_source qt6-base "$qt_package" "$work/qtbase"
    cmake -G Ninja -S "$work/qtbase" -B "$work/qtbase-build" \
        -DCMAKE_TOOLCHAIN_FILE="$root/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$root/qt" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DBUILD_SHARED_LIBS=ON -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
        -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF \
        -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_tabletevent=OFF
    rm -rf "$root/qt"
    cmake --build "$work/qtbase-build" --parallel "$jobs"
    cmake --install "$work/qtbase-build"
    find "$root/qt" -name '*.dll' -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
    echo "$want_qt" >"$root/qt/.version"
fi

# --- curl from source ----------------------------------------------------------------------
# Windows' own TLS (Schannel), so no OpenSSL; only the protocols a fetch can use.
curl_options=(--host=x86_64-w64-mingw32 CC=x86_64-w64-mingw32-gcc-posix --with-schannel
    --without-openssl --without-libpsl --without-brotli --without-zstd --without-libidn2
    --without-nghttp2 --without-librtmp --without-libssh2 --disable-ldap --disable-ldaps
    --disable-rtsp --disable-dict --disable-telnet --disable-tftp --disable-pop3 --disable-imap
    --disable-smtp --disable-gopher --disable-mqtt --disable-smb --disable-manual)
if ! has curl "$want_curl" || ! has fetch-tool "$want_tool"; then
    fetch_source curl "$curl_package" "$work/curl"
fi
if ! has curl "$want_curl"; then
    echo "Building libcurl $curl_version for Windows from Debian's curl $curl_package"
    mkdir -p "$work/curl-shared"
    (cd "$work/curl-shared" && "$work/curl/configure" "${curl_options[@]}" --prefix="$root/curl" \
        --enable-shared --enable-static >/dev/null && make -j"$jobs" >/dev/null)
    rm -rf "$root/curl"
    make -C "$work/curl-shared" install >/dev/null
    x86_64-w64-mingw32-strip --strip-unneeded "$root/curl/bin/"*.dll
    echo "$want_curl" >"$root/curl/.version"
fi
# The fetch tool is written alone into the temporary folder and started there, so it carries
# libcurl, the C runtime's helpers and its threads inside itself (Windows' own threads: no
# winpthread DLL) and needs no DLL but the system's.
if ! has fetch-tool "$want_tool"; then
    echo "Building the fetch tool (curl.exe, static) from Debian's curl $curl_package"
    mkdir -p "$work/curl-static"
    (cd "$work/curl-static" && "$work/curl/configure" "${curl_options[@]}" \
        --disable-shared --enable-static --disable-pthreads LDFLAGS=-static >/dev/null \
        && make -j"$jobs" -C lib >/dev/null && make -j"$jobs" -C src >/dev/null)
    rm -rf "$root/fetch-tool"
    mkdir -p "$root/fetch-tool"
    x86_64-w64-mingw32-strip -o "$root/fetch-tool/curl.exe" "$work/curl-static/src/curl.exe"
    echo "$want_tool" >"$root/fetch-tool/.version"
fi
echo "$root"
