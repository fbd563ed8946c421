#!/usr/bin/env bash
# Installs the Debian package into a fresh Debian 12 root and runs what it installed: the
# command line's version (or help), a page of the shipped sample, and the window offscreen
# once. Also validates the desktop entry and the AppStream metainfo the package carries.
#
#   scripts/package-test.sh [PACKAGE.deb]     (default: the one in build/package, made first)
#
# Needs root (debootstrap, chroot) and Debian's package mirror. The root is made with
# debootstrap (minbase, about a minute here) and removed afterwards, whatever happens.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" -ne 0 ]; then
    exec sudo bash "$0" "$@"
fi

deb=${1:-}
if [ -z "$deb" ]; then
    make --no-print-directory package
    deb=$(ls build/package/quillon_*.deb | tail -n 1)
fi
deb=$(realpath "$deb")
started=$(date +%s)

work=$(mktemp -d /var/tmp/quillon-package-test.XXXXXX)
root=$work/root
cleanup() {
    # Nothing may stay mounted in the root before it is removed.
    if mountpoint -q "$root/proc" 2>/dev/null; then
        umount -l "$root/proc"
    fi
    rm -rf --one-file-system "$work"
}
trap cleanup EXIT

echo "-- The files the package installs validate"
dpkg-deb -x "$deb" "$work/contents"
desktop-file-validate "$work"/contents/usr/share/applications/*.desktop
appstreamcli validate --no-net "$work"/contents/usr/share/metainfo/*.metainfo.xml

echo "-- A fresh Debian 12 root (debootstrap --variant=minbase bookworm)"
debootstrap --variant=minbase bookworm "$root" >"$work/debootstrap.log" 2>&1 ||
    { tail -n 20 "$work/debootstrap.log"; exit 1; }
echo "   $(( $(date +%s) - started )) s"

echo "-- apt-get install ./$(basename "$deb")"
cp "$deb" "$root/tmp/quillon.deb"
# /proc lets the programs find themselves through /proc/self/exe, as on a real system.
mount -t proc proc "$root/proc"
chroot "$root" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    /tmp/quillon.deb >"$work/apt.log" 2>&1 || { tail -n 30 "$work/apt.log"; exit 1; }
echo "   $(( $(date +%s) - started )) s"

# Everything below runs inside the root, as a user with a home of their own.
in_root() {
    chroot "$root" env -i PATH=/usr/bin:/bin HOME=/home/user XDG_RUNTIME_DIR=/tmp/runtime \
        QT_QPA_PLATFORM=offscreen bash -c "$1"
}
in_root 'mkdir -p /home/user /tmp/runtime && chmod 700 /tmp/runtime'

echo "-- quillon-cli"
# --version where the command line has it, otherwise its help.
in_root 'quillon-cli --version 2>/dev/null || quillon-cli --help | head -n 1'

echo "-- A page of the installed sample"
in_root 'cp /usr/share/quillon/sample.frm /home/user/ && cd /home/user &&
    if ! quillon-cli page sample.frm 2>/dev/null; then
        echo "   (the header and footer given: quillon-cli does not look in share/quillon by itself)"
        quillon-cli page --header /usr/share/quillon/header.txt \
            --footer /usr/share/quillon/footer.txt sample.frm
    fi
    grep -q "<PRE>" sample.frm.html && cmp -s <(head -c "$(stat -c %s /usr/share/quillon/header.txt)" \
        sample.frm.html) /usr/share/quillon/header.txt'

echo "-- The window, offscreen, once"
# It runs until closed: still running after a few seconds, with English.lng written into the
# user's folder (the installed one is not the user's to write), is a good start.
status=0
in_root 'timeout 5 quillon /home/user/sample.frm' || status=$?
if [ "$status" -ne 124 ]; then
    echo "quillon ended with status $status instead of running"
    exit 1
fi
in_root 'test -s /home/user/.local/share/quillon/English.lng'

echo "Package test passed in $(( $(date +%s) - started )) s"
