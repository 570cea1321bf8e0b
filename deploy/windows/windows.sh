#!/bin/sh
# The guide for Windows, cross-built with MinGW-w64 and checked under Wine:
#   deploy/windows/windows.sh [--test]
# Everything goes into build-windows/:
#   qt5-mingw/   Qt 5 for Windows: unpacked from ../shared/windows/qt5-mingw.tar.xz
#                (or QUORVEL_QT_CACHE) when its checksum is right, else built
#   sqlite/      SQLite for the visit statistics, built from Debian's source
#   deploy/      the guide as installed, with the demo pictures beside it
#   quorvel-guide-VERSION-win64-setup.exe and quorvel-guide-VERSION-win64.zip,
#                both made by CPack
#   wine/        the Wine prefix of the checks
# --test also runs the tests labelled "wine" under Wine and the checks of
# wine-checks.sh, in one Xvfb.
set -eu

SELF="$(cd "$(dirname "$0")" && pwd)/$(basename "$0")"
cd "$(dirname "$0")/../.."
OUT=build-windows
WINE_RUN="$PWD/deploy/windows/wine-run.sh"
QT="$PWD/$OUT/qt5-mingw"
SQLITE="$PWD/$OUT/sqlite"
CACHE="${QUORVEL_QT_CACHE:-../shared/windows/qt5-mingw.tar.xz}"
CACHE_SHA256=f2d47d89a88d6d58badf613a2991aec8f2bab0d71a8dccf68afe7b421d2761f3
# The tests to build and run under Wine: those with ctest's label "wine"
# (tests/CMakeLists.txt says which and why).
wine_test_names() {
    (cd "$OUT" && ctest -N -L wine) | sed -n 's/^ *Test *#[0-9]*: *//p' | tr '\n' ' '
}
# Under Wine on a loaded machine the home page comes 270 to 350 ms after the
# start instead of under 250: that one timing check runs natively only. Of the
# picture tool's test, three are left native for their time under Wine: the
# exploration of every page (83 s) and the overlay of every page (22 s), the
# same compiled tables on every system, and the command line's 20 runs of the
# tool (79 s), whose verdicts at a scale checkTellsFaultsApart gives there.
WINE_SKIPS="tst_topwatcher:homeFollowsStartAfterTheDelay tst_picturetool:graphHoldsExactlyTheGuidesEdges"
WINE_SKIPS="$WINE_SKIPS tst_picturetool:overlayRendersEveryPage tst_picturetool:commandLine"

say() { printf '%s\n' "$*"; }
die() { printf 'guide windows: %s\n' "$*" >&2; exit 1; }
seconds() { date +%s; }
mkdir -p "$OUT"
timed() { # label command...
    label=$1
    shift
    start=$(seconds)
    "$@"
    say "$label: $(($(seconds) - start)) s" | tee -a "$OUT/times.txt"
}
timed_status() { # label command...: as timed, but says a failure and returns it
    label=$1
    shift
    start=$(seconds)
    status=0
    "$@" || status=$?
    say "$label: $(($(seconds) - start)) s$([ $status = 0 ] || echo ', FAILED')" | tee -a "$OUT/times.txt"
    return $status
}

qt() {
    [ -f "$QT/lib/cmake/Qt5/Qt5Config.cmake" ] && return 0
    if [ -f "$CACHE" ]; then
        if printf '%s  %s\n' "$CACHE_SHA256" "$CACHE" | sha256sum -c --status; then
            say "Unpacking Qt for Windows from $CACHE"
            rm -rf "$QT.part" && mkdir -p "$QT.part"
            tar -xJf "$CACHE" -C "$QT.part" --strip-components=1
            mv "$QT.part" "$QT"
            return 0
        fi
        say "$CACHE does not have the expected sha256 $CACHE_SHA256: not used."
    fi
    say "No Qt for Windows at hand: building it (about 25 minutes on 2 cores)."
    PREFIX="$QT" WORK="$PWD/$OUT/qt-build" SRCPKG="$PWD/$OUT/qt-source" deploy/windows/build-qt.sh
}

sqlite() {
    [ -f "$SQLITE/lib/libsqlite3.a" ] || PREFIX="$SQLITE" deploy/windows/build-sqlite.sh
}

# Installing and packaging take what compile() built, not every target: the
# slow tests are not built for Windows.
configure() {
    launcher=
    command -v ccache >/dev/null 2>&1 && launcher=-DCMAKE_CXX_COMPILER_LAUNCHER=ccache
    cmake -S . -B "$OUT" -DCMAKE_TOOLCHAIN_FILE="$PWD/deploy/windows/mingw-w64.cmake" -DQT_MINGW_PREFIX="$QT" \
        -DSQLite3_INCLUDE_DIR="$SQLITE/include" -DSQLite3_LIBRARY="$SQLITE/lib/libsqlite3.a" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON $launcher >/dev/null
}

compile() {
    # shellcheck disable=SC2046
    cmake --build "$OUT" -j "$(nproc)" --target quorvel-guide guide-pictures guide-visits windows-demo-pictures \
        $(wine_test_names) \
        >"$OUT/build.log" 2>&1 || { grep -E 'error|Error' "$OUT/build.log" | head -40; die "the build failed (see $OUT/build.log)"; }
    ! grep -q 'warning:' "$OUT/build.log" || die "the build has warnings (see $OUT/build.log)"
}

# The guide must be a GUI-subsystem program: no console window opens with it.
subsystem() {
    for exe in "$OUT/bin/quorvel-guide.exe" "$1/quorvel-guide.exe"; do
        x86_64-w64-mingw32-objdump -p "$exe" | grep -q '^Subsystem[[:space:]]*00000002[[:space:]]*(Windows GUI)' \
            || die "$exe is not a Windows GUI-subsystem program"
    done
    say "PE header: quorvel-guide.exe is a Windows GUI-subsystem program."
}

lay_out() {
    deploy="$OUT/deploy"
    rm -rf "$deploy"
    cmake --install "$OUT" --prefix "$deploy" --strip >/dev/null
    cmake --install "$OUT" --prefix "$deploy" --component portable >/dev/null
    subsystem "$deploy"
    say "Laid out $deploy: $(find "$deploy" -type f | wc -l) files, $(du -sh "$deploy" | cut -f1)."
}

# CPack names what it made; the installer goes to the checks.
package() {
    rm -f "$OUT"/quorvel-guide-*-win64-setup.exe "$OUT"/quorvel-guide-*-win64.zip
    (cd "$OUT" && cpack) >"$OUT/cpack.log"
    sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p' "$OUT/cpack.log" >"$OUT/packages.txt"
    [ "$(grep -c 'setup\.exe$\|\.zip$' "$OUT/packages.txt")" = 2 ] || die "CPack made no installer and zip (see $OUT/cpack.log)"
    while read -r made; do ls -l "$made"; done <"$OUT/packages.txt" | tee -a "$OUT/times.txt"
}

unit_tests() {
    # Wine's own services start with the first Windows program and live while
    # any runs: started by a program that waits for the tests to end, they hold
    # none of ctest's pipes open (ctest would wait for those until the timeout).
    rm -f "$OUT/wine-keeper" && mkfifo "$OUT/wine-keeper"
    wine cmd <"$OUT/wine-keeper" >/dev/null 2>&1 &
    exec 3>"$OUT/wine-keeper"
    # Returns once the services are up, whichever of the two started them.
    wine cmd /c exit </dev/null >/dev/null 2>&1
    whole='' skipped=''
    for test in $(wine_test_names); do
        case " $WINE_SKIPS " in
        *" $test:"*) skipped="$skipped $test" ;;
        *) whole="$whole $test" ;;
        esac
    done
    regex=$(printf '%s' "$whole" | sed 's/^ //' | tr -s ' ' '|')
    # Qt Test's own limit of 300 s for one test function, all its rows, is
    # too short under Wine on a loaded machine (tst_home took 222 s).
    export QTEST_FUNCTION_TIMEOUT=1200000
    status=0
    # A failed test runs once more, for the timing margins of a loaded machine.
    (cd "$OUT" && ctest --output-on-failure -j "$(nproc)" --repeat until-pass:2 -R "^($regex)\$") || status=$?
    for test in $skipped; do
        exe="$PWD/$OUT/tests/$test/$test.exe"
        functions=$("$WINE_RUN" "$QT" "$exe" -functions | tr -d '\r' | sed -n 's/()$//p')
        for skip in $WINE_SKIPS; do
            [ "${skip%%:*}" = "$test" ] && functions=$(printf '%s\n' $functions | grep -vx "${skip#*:}")
        done
        say "$test under Wine, without ${WINE_SKIPS}:"
        # shellcheck disable=SC2086
        (cd "$OUT/tests" && QT_QPA_PLATFORM=offscreen "$WINE_RUN" "$QT" "$exe" $functions) || status=1
    done
    exec 3>&-
    wineserver -k 2>/dev/null || true
    return $status
}

# The checks under Wine, in the one Xvfb of the run: Wine's desktop needs a
# display even for the tests on the offscreen platform. Each is a process of
# its own, so that `set -e` holds in it: a step that fails ends it, even
# though its status is looked at here.
if [ "${1:-}" = --in-xvfb ]; then
    failed=0
    timed_status "Wine checks" deploy/windows/wine-checks.sh "$OUT" "$(grep 'setup\.exe$' "$OUT/packages.txt")" || failed=1
    timed_status "unit tests under Wine" "$SELF" --unit-tests || failed=1
    exit $failed
fi
if [ "${1:-}" = --unit-tests ]; then
    unit_tests
    exit
fi

: >"$OUT/times.txt"
timed "Qt for Windows" qt
timed "SQLite for Windows" sqlite
timed "configure" configure
timed "cross-build" compile
timed "deploy folder" lay_out
timed "installer and zip" package
if [ "${1:-}" = --test ]; then
    # No Mono or Gecko prompts, no Wine debug chatter.
    export WINEPREFIX="$PWD/$OUT/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    [ -d "$WINEPREFIX" ] || timed "Wine prefix" sh -c 'wineboot -i >/dev/null 2>&1; wineserver -w'
    # An upgrade to check: the same guide under a later version.
    timed "upgrade installer" sh -c 'cd "$1" && cpack -G NSIS -B upgrade -D CPACK_PACKAGE_VERSION=99.0.0 \
        -D CPACK_PACKAGE_FILE_NAME=quorvel-guide-upgrade-win64-setup -D CPACK_NSIS_COMPRESSOR=zlib >/dev/null' sh "$OUT"
    xvfb-run -a -s "-screen 0 1280x800x24" "$SELF" --in-xvfb
fi
