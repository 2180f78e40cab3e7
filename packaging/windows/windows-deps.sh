#!/usr/bin/env bash
# Makes the Windows dependencies ready in their cache folder (outside any checkout, so every
# build and CI reuse them) and prints the folder:
#   qt/          Qt for Windows, as Debian's host Qt (qt6-base) of the same version
#   curl/        libcurl and its headers for brindlewood-check (Schannel, no OpenSSL)
#   fetch-tool/  curl.exe linked statically, the tool the window writes out and runs
#   sqlite/      SQLite as a static library and sqlite3.h, for the engine's store
#   mingw-w64.cmake  the CMake toolchain file of the -posix cross compilers
# Each part is built once and reused while its version is the one asked for (the version
# of Debian's own package on this machine). Qt and libcurl are taken from the prebuilt
# archive brindlewood-windows-deps-qtQT-curlCURL-x64.tar.xz when it is found (in
# $BRINDLEWOOD_WINDOWS_ARCHIVE_DIR or ../shared/windows beside the checkout) and its checksum
# is one of those in prebuilt-archives.sha256; otherwise they are built from Debian's source
# packages, which takes two to three hours on two cores.
#   windows-deps.sh                  make the cache ready
#   windows-deps.sh --prebuilt-only  the same, but fail at once, instead of building Qt for
#                                    hours, when neither the cache nor the archive has it (CI)
#   windows-deps.sh --check          only tell (exit status 0 or 1) whether it is ready
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
sqlite_package=$(version_of libsqlite3-dev)
sqlite_version=${sqlite_package%%-*}
want_qt="qt6-base $qt_version"
want_curl="curl $curl_version"
want_tool="curl $curl_package static"
want_sqlite="sqlite3 $sqlite_package static"

has() { [[ -f $root/$1/.version && $(cat "$root/$1/.version") == "$2" ]]; }
ready() {
    has qt "$want_qt" && has curl "$want_curl" && has fetch-tool "$want_tool" \
        && has sqlite "$want_sqlite"
}

prebuilt_only=false
case ${1:-} in
    --check)
        [[ -n $qt_version && -n $curl_version && -n $sqlite_version ]] && ready
        exit
        ;;
    --prebuilt-only) prebuilt_only=true ;;
    '') ;;
    *)
        echo "usage: $0 [--check | --prebuilt-only]" >&2
        exit 2
        ;;
esac
if [[ -z $qt_version || -z $curl_version || -z $sqlite_version ]]; then
    echo "$0: qt6-base-dev, curl and libsqlite3-dev must be installed first" >&2
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
# Only an archive whose checksum is listed is unpacked: a truncated copy or another build
# would otherwise become the cache every later build trusts.
archive_name=brindlewood-windows-deps-qt$qt_version-curl$curl_version-x64.tar.xz
archive=
for dir in ${BRINDLEWOOD_WINDOWS_ARCHIVE_DIR:-} "$repo/../shared/windows" "$repo/../../shared/windows"; do
    [[ -n $dir && -f $dir/$archive_name ]] && { archive=$dir/$archive_name; break; }
done
if ! { has qt "$want_qt" && has curl "$want_curl"; }; then
    if [[ -n $archive ]]; then
        sum=$(sha256sum "$archive" | cut -d ' ' -f 1)
        if ! grep -q "^$sum  $archive_name\$" "$here/prebuilt-archives.sha256"; then
            echo "$0: $archive is not a known build (sha256 $sum is not in" \
                "$here/prebuilt-archives.sha256); refusing to use it" >&2
            exit 1
        fi
        echo "Seeding $root from $archive"
        tar -xJf "$archive" -C "$work"
        for file in qt/bin/qt-cmake qt/bin/Qt6Core.dll qt/plugins/platforms/qwindows.dll \
            curl/bin/libcurl-4.dll curl/lib/libcurl.dll.a curl/include/curl/curl.h; do
            if [[ ! -f $work/brindlewood-windows/$file ]]; then
                echo "$0: $archive lacks $file" >&2
                exit 1
            fi
        done
        for part in qt curl; do
            rm -rf "$root/$part"
            mv "$work/brindlewood-windows/$part" "$root/$part"
        done
        echo "$want_qt" >"$root/qt/.version"
        echo "$want_curl" >"$root/curl/.version"
    elif $prebuilt_only; then
        {
            echo "$0: no Windows dependencies to build with: $root has no Qt $qt_version and"
            echo "libcurl $curl_version, and no $archive_name was found in"
            echo "\$BRINDLEWOOD_WINDOWS_ARCHIVE_DIR or ../shared/windows beside the checkout."
            echo "Put the archive there, or run $0 without --prebuilt-only to build them"
            echo "from Debian's sources (two to three hours)."
        } >&2
        exit 1
    fi
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
# --- SQLite ---------------------------------------------------------------------------------
# A static library, so no DLL has to travel with the programs and their tests. The source tree
# makes its amalgamation (sqlite3.c, with tclsh) on this machine, then the cross compiler
# builds that one file, as SQLite's own Windows builds do.
if ! has sqlite "$want_sqlite"; then
    echo "Building SQLite $sqlite_version for Windows from Debian's sqlite3 $sqlite_package"
    fetch_source sqlite3 "$sqlite_package" "$work/sqlite"
    mkdir -p "$work/sqlite-build"
    (cd "$work/sqlite-build" && "$work/sqlite/configure" --disable-tcl --disable-readline \
        --disable-editline >/dev/null && make -j"$jobs" sqlite3.c >/dev/null \
        && x86_64-w64-mingw32-gcc-posix -O2 -c sqlite3.c -o sqlite3.o \
        && x86_64-w64-mingw32-ar rcs libsqlite3.a sqlite3.o)
    rm -rf "$root/sqlite"
    mkdir -p "$root/sqlite/include" "$root/sqlite/lib"
    cp "$work/sqlite-build/sqlite3.h" "$work/sqlite/src/sqlite3ext.h" "$root/sqlite/include/"
    cp "$work/sqlite-build/libsqlite3.a" "$root/sqlite/lib/"
    echo "$want_sqlite" >"$root/sqlite/.version"
fi
echo "$root"
