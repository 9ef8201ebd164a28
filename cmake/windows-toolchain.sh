#!/usr/bin/env bash
# Prepares the Windows (x86_64-w64-mingw32) trees the cross build links
# against, in $1 (default ~/.cache/vhpd-mingw):
#   qt5-mingw/   Qt 5.15 qtbase (QtCore, QtNetwork with Schannel, QtTest)
#   curl-mingw/  libcurl with Schannel and zlib
#   httplib/     the header-only cpp-httplib the test servers are built from
# With VHPD_MINGW_TOOLCHAIN naming a tarball of the same recipe (and its
# .sha256 beside it), Qt and libcurl come from that tarball; otherwise they are
# built from Debian's source packages. Each stage leaves a stamp and is skipped
# when run again.
set -euo pipefail

root=${1:-${VHPD_MINGW_ROOT:-$HOME/.cache/vhpd-mingw}}
jobs=${JOBS:-2}
triple=x86_64-w64-mingw32
recipe=qt5.15.8-curl7.88.1
mkdir -p "$root/src" "$root/stamps"
root=$(cd "$root" && pwd)
src=$root/src
stamps=$root/stamps

done_stage() { [ -e "$stamps/$1" ]; }
mark_stage() { touch "$stamps/$1"; }
elapsed() { echo "windows-toolchain: $1 took $(($(date +%s) - $2)) s"; }

# apt-get source needs a deb-src entry; Debian 12 images often have none.
ensure_deb_src() {
    if ! grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        local sudo=""
        [ "$(id -u)" = 0 ] || sudo=sudo
        echo "windows-toolchain: adding a deb-src entry for bookworm" >&2
        printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: bookworm bookworm-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' |
            $sudo tee /etc/apt/sources.list.d/vhpd-deb-src.sources >/dev/null
        $sudo apt-get update -qq
    fi
}

# fetch_source <package> <folder glob>: unpacks a Debian source package in $src.
fetch_source() {
    if ! compgen -G "$src/$2" >/dev/null; then
        ensure_deb_src
        (cd "$src" && apt-get source -qq "$1" >/dev/null 2>&1)
    fi
    local entry
    for entry in $src/$2; do
        [ -d "$entry" ] && { echo "$entry"; return; }
    done
    echo "windows-toolchain: no source folder $2 in $src" >&2
    exit 1
}

# Trees built elsewhere keep their original prefix in a few text files; point
# them at this folder. Qt's and curl's CMake package files are relocatable.
relocate() {
    local from=$1 to=$2
    grep -rlI --exclude-dir=include "$from" "$to" 2>/dev/null | while read -r file; do
        sed -i "s|$from|$to|g" "$file"
    done
}

from_tarball() {
    local tarball=$1 sum
    [ -f "$tarball" ] || { echo "windows-toolchain: $tarball not found" >&2; exit 1; }
    [ -f "$tarball.sha256" ] || { echo "windows-toolchain: no $tarball.sha256" >&2; exit 1; }
    case $(basename "$tarball") in
    *"$recipe"*) ;;
    *) echo "windows-toolchain: $tarball is not of the recipe $recipe" >&2; exit 1 ;;
    esac
    sum=$(cut -d' ' -f1 "$tarball.sha256")
    done_stage "tarball-$sum" && return
    local started=$(date +%s)
    echo "$sum  $tarball" | sha256sum -c --quiet -
    rm -rf "$root/qt5-mingw" "$root/curl-mingw"
    tar -xJf "$tarball" -C "$root" qt5-mingw curl-mingw
    relocate /opt/mingw-tc/qt5-mingw "$root/qt5-mingw"
    relocate /opt/mingw-tc/curl-mingw "$root/curl-mingw"
    mark_stage qt-installed
    mark_stage curl-installed
    mark_stage "tarball-$sum"
    elapsed "extracting $(basename "$tarball")" "$started"
}

build_qt() {
    done_stage qt-installed && return
    local dir build started
    dir=$(fetch_source qtbase-opensource-src 'qtbase-opensource-src-5.15*')
    build=$src/qtbase-build
    # MinGW's import libraries are lower-case; Qt asks for -lSecur32 -lCrypt32.
    sed -i 's/-lSecur32/-lsecur32/g; s/-lCrypt32/-lcrypt32/g' "$dir/src/network/ssl/ssl.pri"
    if ! done_stage qt-configured; then
        started=$(date +%s)
        rm -rf "$build" && mkdir -p "$build"
        (cd "$build" && "$dir/configure" -prefix "$root/qt5-mingw" -opensource -confirm-license \
            -platform linux-g++ -xplatform win32-g++ -device-option CROSS_COMPILE=$triple- \
            -release -shared -strip -nomake examples -nomake tests -no-gui -no-widgets \
            -no-opengl -no-dbus -no-icu -no-zstd -no-feature-sql -no-feature-concurrent \
            -ssl -schannel -no-openssl -qt-zlib -qt-pcre)
        mark_stage qt-configured
        elapsed "configuring Qt" "$started"
    fi
    started=$(date +%s)
    make -C "$build" -j "$jobs"
    make -C "$build" install
    mark_stage qt-installed
    elapsed "building Qt" "$started"
}

build_curl() {
    done_stage curl-installed && return
    local dir started
    dir=$(fetch_source curl 'curl-7.88*')
    started=$(date +%s)
    # curl's own CMake files: Debian's patches rename the TLS flavours in the
    # autotools files, which would then need regenerating.
    cmake -S "$dir" -B "$src/curl-build" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_C_COMPILER=$triple-gcc-posix \
        -DCMAKE_RC_COMPILER=$triple-windres -DCMAKE_FIND_ROOT_PATH=/usr/$triple \
        -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY \
        -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER -DCMAKE_INSTALL_PREFIX="$root/curl-mingw" \
        -DBUILD_SHARED_LIBS=ON -DBUILD_TESTING=OFF -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF \
        -DCURL_WINDOWS_SSPI=ON -DCURL_CA_BUNDLE=none -DCURL_CA_PATH=none -DCURL_ZLIB=ON \
        -DUSE_NGHTTP2=OFF -DUSE_LIBIDN2=OFF -DCURL_USE_LIBPSL=OFF -DCURL_USE_LIBSSH2=OFF \
        -DCURL_DISABLE_LDAP=ON -DCURL_DISABLE_LDAPS=ON >/dev/null
    cmake --build "$src/curl-build" -j "$jobs"
    cmake --install "$src/curl-build" >/dev/null
    mark_stage curl-installed
    elapsed "building libcurl" "$started"
}

# Debian's libcpp-httplib-dev holds declarations only, for its shared library;
# the whole header comes from the source package. Built for Windows with
# Winsock and zlib (MinGW's), without TLS: there is no OpenSSL for MinGW here.
fetch_httplib() {
    local dir
    dir=$(fetch_source cpp-httplib 'cpp-httplib-*')
    mkdir -p "$root/httplib/include" "$root/httplib/lib/pkgconfig"
    cp "$dir/httplib.h" "$root/httplib/include/"
    cat >"$root/httplib/lib/pkgconfig/cpp-httplib.pc" <<PC
prefix=$root/httplib
includedir=\${prefix}/include

Name: cpp-httplib
Description: A C++ HTTP server and client library, header only, for Windows
Version: $(sed -n 's/^#define CPPHTTPLIB_VERSION "\(.*\)"/\1/p' "$dir/httplib.h")
Libs: -lz -lws2_32
Cflags: -I\${includedir} -DCPPHTTPLIB_ZLIB_SUPPORT
PC
}

if [ -n "${VHPD_MINGW_TOOLCHAIN:-}" ]; then
    from_tarball "$(realpath "$VHPD_MINGW_TOOLCHAIN")"
else
    build_qt
    build_curl
fi
fetch_httplib
echo "windows-toolchain: ready in $root"
