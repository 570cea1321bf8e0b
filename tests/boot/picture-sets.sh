#!/bin/sh
# picture-sets.sh OLD.md5 NEW.md5, in the guest after a power cut: every
# picture of the two sets is in the guide's folder, each byte for byte the
# old set's or the new one's. Prints how many are whose; exits 1 if any is
# missing or neither set's. One md5sum and one awk: the guest is emulated.
app=${QUORVEL_APP:-/opt/quorvel-guide/app}
names=$(cut -c35- "$1" "$2" | sort -u)
# shellcheck disable=SC2086 # the names hold no blanks
now=$(cd "$app" && md5sum $names 2>/dev/null)
printf '%s\n' "$now" | awk -v old="$1" -v new="$2" '
BEGIN {
    while ((getline line < old) > 0) { split(line, f, "  "); o[f[2]] = f[1]; names[f[2]] = 1 }
    close(old)
    while ((getline line < new) > 0) { split(line, f, "  "); n[f[2]] = f[1]; names[f[2]] = 1 }
}
NF == 2 { seen[$2] = $1 }
END {
    for (name in names) {
        if (!(name in seen)) { print "missing: " name; bad++; continue }
        a = o[name] == seen[name]; b = n[name] == seen[name]
        if (a && b) both++; else if (a) olds++; else if (b) news++
        else { print "neither set'"'"'s: " name; bad++ }
    }
    printf "pictures: %d the old set'"'"'s, %d the new set'"'"'s, %d alike in both, %d missing or neither\n", \
        olds, news, both, bad
    exit bad > 0
}'
