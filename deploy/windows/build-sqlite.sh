#!/bin/sh
# SQLite for the Windows guide's visit statistics: a static library
# cross-built with MinGW-w64 from Debian's own sqlite3 source package, with
# Debian's upstream bug and CVE fixes.
#   PREFIX=DIR deploy/windows/build-sqlite.sh
# Into PREFIX: include/sqlite3.h and lib/libsqlite3.a. WORK is the build folder
# (PREFIX.build). SQLite's one-file form, sqlite3.c, is made by its own Tcl
# scripts and native tools: tclsh and a native C compiler. About a minute.
set -eu
PREFIX=${PREFIX:?set PREFIX to the folder SQLite goes into}
WORK=${WORK:-$PREFIX.build}
HERE=$(cd "$(dirname "$0")" && pwd)
CROSS=x86_64-w64-mingw32

mkdir -p "$WORK/source"
ls "$WORK"/source/sqlite3_*.orig.tar.xz >/dev/null 2>&1 || "$HERE/debian-source.sh" sqlite3 "$WORK/source" >/dev/null
cd "$WORK"
rm -rf src debian one-file
mkdir src one-file
tar xf "$(ls source/sqlite3_*.orig.tar.xz | tail -1)" -C src --strip-components=1
tar xf "$(ls source/sqlite3_*.debian.tar.xz | tail -1)"
# Of Debian's patches, the fixes taken from SQLite's own history (named for a
# fix, a CVE or a crash avoided); the rest fit Debian's shared library build.
for p in $(grep -i -E 'fix|cve|avoid' debian/patches/series); do
    patch -d src -p1 -s -N <"debian/patches/$p"
done
(cd one-file && ../src/configure --disable-tcl >configure.log 2>&1 && make sqlite3.c >make.log 2>&1) ||
    { tail -20 one-file/*.log >&2; echo "build-sqlite.sh: sqlite3.c could not be made" >&2; exit 1; }
# Debian's own options where they matter to a database file; threads as the
# guide uses them (one connection a thread); no loadable extensions.
"$CROSS-gcc-posix" -O2 -fno-strict-aliasing -DSQLITE_THREADSAFE=1 -DSQLITE_SECURE_DELETE \
    -DSQLITE_OMIT_LOAD_EXTENSION -DSQLITE_MAX_SCHEMA_RETRY=25 -c one-file/sqlite3.c -o one-file/sqlite3.o
mkdir -p "$PREFIX/include" "$PREFIX/lib"
rm -f "$PREFIX/lib/libsqlite3.a"
"$CROSS-ar" rcs "$PREFIX/lib/libsqlite3.a" one-file/sqlite3.o
cp one-file/sqlite3.h "$PREFIX/include/"
echo "SQLite $(cat src/VERSION) for Windows in $PREFIX"
