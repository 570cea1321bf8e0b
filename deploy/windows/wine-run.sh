#!/bin/sh
# Runs a Windows program of the cross build under Wine:
#   wine-run.sh QT_PREFIX PROGRAM.exe [ARGS...]
# The Qt and MinGW runtime DLLs are found through WINEPATH; the caller's QT_*
# variables, which Wine hides from Windows programs, are handed on as WINEQT_*;
# Qt's logging goes to stderr, not to the debugger channel.
set -eu
qt=$1
shift

winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

gcclib=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
WINEPATH="$(winpath "$qt/bin");$(winpath "$gcclib");$(winpath /usr/x86_64-w64-mingw32/lib)"
export WINEPATH
for pair in $(env | grep '^QT_[A-Z_]*=' | cut -d= -f1); do
    export "WINE$pair=$(printenv "$pair")"
done
# Fonts for the offscreen platform, which has no font database on Windows.
[ -n "${WINEQT_QPA_FONTDIR:-}" ] || export WINEQT_QPA_FONTDIR='Z:\usr\share\fonts\truetype\dejavu'
[ -n "${WINEQT_FORCE_STDERR_LOGGING:-}" ] || export WINEQT_FORCE_STDERR_LOGGING=1
export WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec wine "$@"
