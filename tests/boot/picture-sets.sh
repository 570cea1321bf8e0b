#!/bin/sh
# picture-sets.sh OLD.md5 NEW.md5, in the guest after a power cut: every
# picture of the two sets is in the guide's folder, each byte for byte the
# old set's or the new one's. Prints how many are whose; exits 1 if any is
# missing or neither set's.
app=${QUORVEL_APP:-/opt/quorvel-guide/app}
old=0 new=0 both=0 bad=0
for name in $(cut -c35- "$1" "$2" | sort -u); do
    if [ ! -f "$app/$name" ]; then
        echo "missing: $name"
        bad=$((bad + 1))
        continue
    fi
    sum=$(md5sum <"$app/$name" | cut -c1-32)
    in_old=0 in_new=0
    grep -qx "$sum  $name" "$1" && in_old=1
    grep -qx "$sum  $name" "$2" && in_new=1
    case $in_old$in_new in
    11) both=$((both + 1)) ;;
    10) old=$((old + 1)) ;;
    01) new=$((new + 1)) ;;
    *)
        echo "neither set's: $name"
        bad=$((bad + 1))
        ;;
    esac
done
echo "pictures: $old the old set's, $new the new set's, $both alike in both, $bad missing or neither"
[ "$bad" -eq 0 ]
