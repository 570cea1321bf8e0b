#!/bin/bash
# Builds the part of Qt 5 the guide needs for 64-bit Windows, with Debian's
# MinGW-w64 (posix thread model), from Debian's own qtbase source package:
# QtCore, QtGui, QtWidgets, QtTest and qtmain as DLLs and import libraries,
# the plugins platforms/qwindows and qoffscreen, imageformats/qjpeg, qgif and
# qico, styles/qwindowsvistastyle, with the headers, mkspecs, CMake files and
# the host tools (qmake, moc, rcc, uic) as Linux programs. Relocatable.
#
#   PREFIX=DIR deploy/windows/build-qt.sh [--configure-only]
#
# PREFIX is where Qt goes (required); WORK the build folder (PREFIX.build),
# SRCPKG where the source package is kept (WORK/source), JOBS the parallel jobs.
# About 23 minutes on 2 cores: configure 2.5, make 20, install 0.3.
set -euo pipefail

PREFIX=${PREFIX:?set PREFIX to the folder Qt goes into}
WORK=${WORK:-$PREFIX.build}
SRCPKG=${SRCPKG:-$WORK/source}
JOBS=${JOBS:-$(nproc)}
VERSION=5.15.8
TARGET=x86_64-w64-mingw32
CONFIGURE_ONLY=no
[ "${1:-}" = --configure-only ] && CONFIGURE_ONLY=yes
T0=$(date +%s)
HERE=$(cd "$(dirname "$0")" && pwd)

sudo=
[ "$(id -u)" -eq 0 ] || sudo=sudo
apt_install() {
    DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "$@"
}
# libwine-dev only for its wintab.h and pktdef.h (see below).
apt_install build-essential perl python3 xz-utils patch dpkg-dev \
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix libwine-dev >/dev/null

# The source package, from Debian's archive.
mkdir -p "$WORK" "$SRCPKG"
if ! ls "$SRCPKG"/qtbase-opensource-src_${VERSION}+dfsg.orig.tar.xz >/dev/null 2>&1; then
    "$HERE/debian-source.sh" qtbase-opensource-src "$SRCPKG"
fi
ls "$SRCPKG"/qtbase-opensource-src_${VERSION}+dfsg.orig.tar.xz >/dev/null ||
    { echo "build-qt.sh: Debian's source is not Qt $VERSION" >&2; exit 1; }

cd "$WORK"
rm -rf qtbase-everywhere-src-$VERSION build debian
tar xf "$SRCPKG"/qtbase-opensource-src_${VERSION}+dfsg.orig.tar.xz
tar xf "$(ls "$SRCPKG"/qtbase-opensource-src_${VERSION}+dfsg-*.debian.tar.xz | tail -1)"
SRC=$WORK/qtbase-everywhere-src-$VERSION

# Of Debian's patches only the upstream fixes (the "Backported from upstream"
# block of the series: bug and CVE fixes); the Debian-specific ones are for a
# Linux system Qt.
for p in $(sed -n '/^# Backported/,/^$/p' debian/patches/series | grep -v '^#' | grep .); do
    patch -d "$SRC" -p1 -s -N <"debian/patches/$p"
done

# The +dfsg source lacks src/3rdparty/wintab, which the Windows platform plugin
# includes for tablets. Wine's LGPL wintab.h and pktdef.h stand in, with the
# few macros MinGW lacks: types and constants only, Qt loads wintab32.dll at
# run time.
mkdir -p "$SRC/src/3rdparty/wintab"
cp /usr/include/wine/wine/windows/wintab.h "$SRC/src/3rdparty/wintab/wine-wintab.h"
cp /usr/include/wine/wine/windows/pktdef.h "$SRC/src/3rdparty/wintab/pktdef.h"
cat >"$SRC/src/3rdparty/wintab/wintab.h" <<'SHIM'
/* Wine's wintab.h for Qt's Windows platform plugin, built with MinGW-w64. */
#ifndef QT_WINTAB_SHIM_H
#define QT_WINTAB_SHIM_H
#include <windows.h>
#ifndef WINELIB_NAME_AW
#  ifdef UNICODE
#    define WINELIB_NAME_AW(func) func##W
#  else
#    define WINELIB_NAME_AW(func) func##A
#  endif
#endif
#ifndef DECL_WINELIB_TYPE_AW
#  ifdef UNICODE
#    define DECL_WINELIB_TYPE_AW(type) typedef type##W type;
#  else
#    define DECL_WINELIB_TYPE_AW(type) typedef type##A type;
#  endif
#endif
#ifndef API
#  define API WINAPI
#endif
#include "wine-wintab.h"
#endif
SHIM

# qmake's win32-g++ mkspec calls ${CROSS_COMPILE}gcc and g++: those names lead
# to the posix-thread compilers here (the win32-thread ones lack std::thread
# and std::mutex, which Qt uses), without changing the system's alternatives.
mkdir -p "$WORK/bin"
for tool in gcc g++; do
    ln -sf "/usr/bin/$TARGET-$tool-posix" "$WORK/bin/$TARGET-$tool"
done
export PATH="$WORK/bin:$PATH"

mkdir build && cd build
nice -n 10 "$SRC"/configure \
    -xplatform win32-g++ -device-option CROSS_COMPILE=$TARGET- \
    -prefix "$PREFIX" -release -shared -opensource -confirm-license \
    -nomake examples -nomake tests \
    -no-opengl -no-dbus -no-icu -no-vulkan -no-openssl \
    -qt-zlib -qt-libpng -qt-libjpeg -qt-pcre -qt-freetype -qt-harfbuzz \
    -no-feature-sql -no-sql-sqlite
T1=$(date +%s)
echo "configure: $((T1 - T0)) s"
[ "$CONFIGURE_ONLY" = yes ] && exit 0

# Every Makefile, then only the parts the guide needs; their sub-targets pull
# in what they depend on (moc, rcc, uic, corelib, gui, widgets, 3rdparty).
# qjpeg links only when the bundled libjpeg was built first.
nice -n 10 make sub-src-qmake_all
nice -n 10 make -C src -j"$JOBS" sub-testlib sub-winmain sub-platformsupport \
    sub-platformheaders sub-3rdparty-libjpeg
nice -n 10 make -C src/plugins/platforms -j"$JOBS" sub-windows sub-offscreen
nice -n 10 make -C src/plugins/imageformats -j"$JOBS" sub-jpeg sub-gif sub-ico
nice -n 10 make -C src/plugins/styles -j"$JOBS" sub-windowsvista
T2=$(date +%s)

# Installed one part after another (serially: the *-install_subtargets also
# install what each depends on).
make sub-qmake-qmake-aux-pro-install_subtargets
make install_mkspecs install_syncqt install_fixqt4headers
make -C src sub-testlib-install_subtargets sub-winmain-install_subtargets \
    sub-platformsupport-install_subtargets sub-platformheaders-install_subtargets \
    sub-3rdparty-libjpeg-install_subtargets
make -C src/plugins/platforms sub-windows-install_subtargets sub-offscreen-install_subtargets
make -C src/plugins/imageformats sub-jpeg-install_subtargets sub-gif-install_subtargets sub-ico-install_subtargets
make -C src/plugins/styles sub-windowsvista-install_subtargets
strip "$PREFIX/bin/qmake" # 28 MB of debug information otherwise
T3=$(date +%s)
echo "Qt for Windows in $PREFIX: configure $((T1 - T0)) s, build $((T2 - T1)) s, install $((T3 - T2)) s"
