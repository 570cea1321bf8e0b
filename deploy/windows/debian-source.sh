#!/bin/sh
# Downloads a Debian source package (its .dsc, orig and debian tarballs) into
# FOLDER, as this system's apt sources have it:
#   deploy/windows/debian-source.sh PACKAGE FOLDER
# apt-get source needs deb-src entries, which a fresh Debian does not have:
# they are made from the system's deb entries in an apt state of this
# download's own (FOLDER/apt), so that the system's sources stay as they are.
set -eu
package=$1
folder=$2
apt="$folder/apt"
mkdir -p "$apt/sources.d" "$apt/lists/partial" "$apt/cache"
{ cat /etc/apt/sources.list.d/*.sources 2>/dev/null || true; } | sed 's/^Types: .*/Types: deb-src/' >"$apt/sources.d/src.sources"
{ cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null || true; } | sed -n 's/^deb /deb-src /p' >"$apt/src.list"
set -- -o Dir::Etc::SourceList="$apt/src.list" -o Dir::Etc::SourceParts="$apt/sources.d" \
    -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache" -o Debug::NoLocking=1
apt-get "$@" update -qq
(cd "$folder" && apt-get "$@" source --download-only "$package")
