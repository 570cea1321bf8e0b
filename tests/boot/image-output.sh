#!/bin/sh
# deploy/image/image.sh empties its output folder as root: it must refuse one
# that is, holds or lies inside the packages' folder, and otherwise remove
# only what it made itself. Runs image.sh on a stand-in package that stops
# it before anything is downloaded: no picture package is there.
set -u
image=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

packages="$work/site/packages"
mkdir -p "$packages"
ln -s "$packages" "$work/link"

check() {
    what=$1 out=$2
    printf 'stand-in\n' >"$packages/quorvel-guide_1_amd64.deb"
    sh "$image" "$packages" "$out" amd64 >"$work/log" 2>&1
    status=$?
    if [ ! -f "$packages/quorvel-guide_1_amd64.deb" ]; then
        echo "FAIL: $what: the package was deleted"
        failed=1
    elif [ "$status" -ne 2 ] || ! grep -q 'give another' "$work/log"; then
        echo "FAIL: $what: not refused (status $status):"
        cat "$work/log"
        failed=1
    else
        echo "ok: $what"
    fi
}

check "the packages' folder itself" "$packages"
check "the packages' folder, spelt otherwise" "$packages/../packages/"
check "the packages' folder through a link" "$work/link"
check "a folder inside the packages' folder" "$packages/image"
check "a folder that holds the packages' folder" "$work/site"

# A folder apart: refused neither, nor emptied of what image.sh did not make.
out="$work/image"
mkdir -p "$out/image-tree"
printf 'old\n' >"$out/quorvel-kiosk.img"
printf 'notes\n' >"$out/notes.txt"
sh "$image" "$packages" "$out" amd64 >"$work/log" 2>&1
if grep -q 'give another' "$work/log"; then
    echo "FAIL: a folder apart was refused"
    failed=1
elif [ ! -f "$out/notes.txt" ] || [ -e "$out/quorvel-kiosk.img" ] || [ -e "$out/image-tree" ]; then
    echo "FAIL: a folder apart: not only the earlier image was removed:"
    ls -A "$out"
    failed=1
else
    echo "ok: a folder apart keeps what the script did not make"
fi
exit "$failed"
