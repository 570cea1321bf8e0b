#!/bin/sh
# Builds a bootable Debian 12 disk image that starts straight into the guide:
# ./guide image [--read-only] [--authorized-keys FILE] PACKAGES OUT [ARCH]
# (run as root; Debian's archive as apt here is set up). ARCH is amd64 (the
# default) or arm64; arm64 is built on amd64 through qemu-user, which
# binfmt_misc must already hand arm64 programs to.
# OUT/quorvel-kiosk.img is a GPT disk: an EFI system partition with
# systemd-boot, the kernel and its initrd, then the root file system.
# The panel mounts the EFI partition at /boot/efi, where its kernel updates
# through apt put the new kernel and a boot entry for it (kernel-install);
# the newest boots. The image's own entry is made the same way.
# --read-only boots the root under a layer in memory (overlayroot): nothing
# written while the panel runs reaches the disk. --authorized-keys lets the
# keys in FILE log in as root over ssh; without it sshd is off.
set -eu
# overlayroot is in every image, off unless read-only: a panel is made
# read-only, or writable again, by one file, which its initrd reads from the
# root at boot (see docs/deploying.md).
read_only=true
keys=
while [ $# -gt 0 ]; do
    case "$1" in
    --read-only)
        read_only="echo 'overlayroot=\"tmpfs\"' >\"\$1/etc/overlayroot.local.conf\""
        shift
        ;;
    --authorized-keys)
        if [ $# -lt 2 ] || [ ! -s "$2" ]; then
            echo "image.sh: --authorized-keys needs a file of keys" >&2
            exit 2
        fi
        keys=$(realpath "$2")
        shift 2
        ;;
    *) break ;;
    esac
done
packages=$(cd "$1" && pwd -P)
out=$2
arch=${3:-amd64}
here=$(cd "$(dirname "$0")" && pwd)

# The output folder is emptied of what an earlier run made, as root: never
# the packages' folder, one inside it, or one that holds it.
whole=$(realpath -m "$out")
if [ "$whole" = / ]; then
    echo "image.sh: the output folder $out is the root, which holds the packages: give another" >&2
    exit 2
fi
case "$packages/" in
"$whole"/*)
    echo "image.sh: the output folder $out holds the packages in $1: give another" >&2
    exit 2
    ;;
esac
case "$whole/" in
"$packages"/*)
    echo "image.sh: the output folder $out is inside the packages' folder $1: give another" >&2
    exit 2
    ;;
esac

# systemd-boot's file for the architecture, the name the firmware starts it
# by, and the first serial port, which the test console is opened on.
case "$arch" in
amd64) loader=systemd-bootx64.efi firmware=BOOTX64.EFI serial=ttyS0 ;;
arm64) loader=systemd-bootaa64.efi firmware=BOOTAA64.EFI serial=ttyAMA0 ;;
*)
    echo "image.sh: no image for '$arch'" >&2
    exit 2
    ;;
esac

# The partitions' identities are fixed, so that the boot entries and fstab
# can name them without a look at the disk.
root_uuid=6b1f2a0e-5c3d-4e8f-9a71-2d4c8b0e9f13
esp_uuid=0c3a9e4d-7b21-4f6a-8d5e-1a2b3c4d5e6f
esp_mib=256
root_mib=3072

# Only what this script makes is removed; anything else in the folder stays.
# Each name is the script's own, so that no folder given by mistake loses a
# file of the same name.
tree="$out/image-tree"
esp_files="$out/image-esp-files"
esp="$out/image-esp.img"
rootfs="$out/image-rootfs.img"
disk="$out/quorvel-kiosk.img"
mkdir -p "$out"
rm -rf "$tree" "$esp_files" "$esp" "$rootfs" "$disk" "$out/image-loader.conf"
mkdir -p "$esp_files"

program=$(ls "$packages"/quorvel-guide_*_"$arch".deb)
pictures=$(ls "$packages"/quorvel-guide-demo-pictures_*_all.deb)
kiosk=$(ls "$packages"/quorvel-guide-kiosk_*_all.deb)

# What the three packages depend on comes from the archive; they themselves
# are copied in and installed with dpkg (mmdebstrap's own way with local
# packages loses them in a chroot made as root).
needs=$(for deb in "$program" "$pictures" "$kiosk"; do dpkg-deb --field "$deb" Depends; done |
    tr ',' '\n' | sed 's/(.*)//; s/ //g' | grep -v -e '^quorvel-guide' -e '^$' | sort -u | paste -sd, -)

# A panel on the network: DHCP on every wired interface (systemd-networkd,
# names through systemd-resolved), OpenSSH for the keys given and no
# password, and node-exporter, which serves the guide's metrics.
if [ -n "$keys" ]; then
    ssh_keys="mkdir -m 700 -p \"\$1/root/.ssh\" && cp '$keys' \"\$1/root/.ssh/authorized_keys\" && chmod 600 \"\$1/root/.ssh/authorized_keys\""
else
    ssh_keys='chroot "$1" systemctl disable ssh.service'
fi

# overlayroot's step in the initrd runs grep, which the initrd has only with
# busybox, which overlayroot does not pull in. zstd: initramfs-tools packs the
# initrd with it, a sixth smaller than its fallback, gzip.
mmdebstrap --variant=minbase --architectures="$arch" \
    --include=linux-image-"$arch",systemd-sysv,udev,dbus,libpam-systemd,initramfs-tools,kmod,systemd-boot,fonts-dejavu-core \
    --include=overlayroot,busybox,zstd,openssh-server,systemd-resolved,prometheus-node-exporter \
    --include="$needs" \
    --customize-hook='mkdir -p "$1/root/debs"' \
    --customize-hook="copy-in $program $pictures $kiosk /root/debs" \
    --customize-hook='chroot "$1" sh -c "dpkg -i /root/debs/*.deb && rm -r /root/debs"' \
    --customize-hook="$read_only" \
    --customize-hook="sync-in $here/root /" \
    --customize-hook='chroot "$1" systemctl enable systemd-networkd quorvel-ssh-host-keys.service' \
    --customize-hook='rm -f "$1"/etc/ssh/ssh_host_*' \
    --customize-hook="$ssh_keys" \
    --customize-hook="echo quorvel-kiosk >\"\$1/etc/hostname\"" \
    --customize-hook="printf 'PARTUUID=$root_uuid / ext4 errors=remount-ro 0 1\nPARTUUID=$esp_uuid /boot/efi vfat umask=0077,nofail 0 0\n' >\"\$1/etc/fstab\"" \
    --customize-hook="mkdir -p \"\$1/boot/efi\" && echo 'root=PARTUUID=$root_uuid rw quiet' >\"\$1/etc/kernel/cmdline\"" \
    --customize-hook="mkdir -p \"\$1/etc/systemd/system/serial-getty@$serial.service.d\"" \
    --customize-hook="copy-in $here/test-console.conf /etc/systemd/system/serial-getty@$serial.service.d" \
    bookworm "$tree" /etc/apt/sources.list.d/debian.sources

# The kernel's boot entry, made by kernel-install in the image as the panel's
# updates make theirs: it names files by their path below /boot/efi's mount,
# so /boot/efi is a file system of its own while it runs (and /proc there to
# tell so), in a mount namespace that ends with it.
unshare --mount sh -eu -c '
    mount -t proc proc "$1/proc"
    mount -t tmpfs quorvel-esp "$1/boot/efi"
    mkdir -p "$1/boot/efi/quorvel" "$1/boot/efi/loader/entries"
    for kernel in "$1"/boot/vmlinuz-*; do
        chroot "$1" kernel-install add "${kernel##*/vmlinuz-}" "${kernel#"$1"}"
    done
    cp -r "$1/boot/efi/." "$2"' sh "$tree" "$esp_files"

# The EFI system partition: systemd-boot where the firmware looks for it and
# where bootctl does (the kernel updates' hooks ask bootctl whether it is
# installed), and the entries. editor no: a keyboard at boot must not change
# the kernel's command line (init=/bin/sh would be a root shell on a public
# panel). The default is the newest kernel's entry.
truncate -s "${esp_mib}M" "$esp"
mkfs.fat -F 32 -n QUORVELESP "$esp" >/dev/null
mmd -i "$esp" ::/EFI ::/EFI/BOOT ::/EFI/systemd
mcopy -i "$esp" "$tree/usr/lib/systemd/boot/efi/$loader" "::/EFI/BOOT/$firmware"
mcopy -i "$esp" "$tree/usr/lib/systemd/boot/efi/$loader" "::/EFI/systemd/$loader"
mcopy -s -i "$esp" "$esp_files"/* ::/
printf 'default quorvel-*\ntimeout 0\neditor no\n' >"$out/image-loader.conf"
mcopy -o -i "$esp" "$out/image-loader.conf" ::/loader/loader.conf

mke2fs -q -t ext4 -L quorvel-root -d "$tree" "$rootfs" "${root_mib}M"

# The disk: 1 MiB for the partition table, the two partitions, and room for
# the backup table at the end.
truncate -s "$((1 + esp_mib + root_mib + 1))M" "$disk"
sfdisk --quiet "$disk" <<TABLE
label: gpt
start=1MiB, size=${esp_mib}MiB, type=C12A7328-F81F-11D2-BA4B-00A0C93EC93B, uuid=$esp_uuid, name=esp
start=$((1 + esp_mib))MiB, size=${root_mib}MiB, type=4F68BCE3-E8CD-4DB1-96E7-FBCAF984B709, uuid=$root_uuid, name=quorvel-root
TABLE
dd if="$esp" of="$disk" bs=1M seek=1 conv=notrunc,sparse status=none
dd if="$rootfs" of="$disk" bs=1M seek="$((1 + esp_mib))" conv=notrunc,sparse status=none
rm -rf "$esp" "$rootfs" "$tree" "$esp_files" "$out/image-loader.conf"
