#!/usr/bin/env bash
# Proves the README's two commands on a fresh Debian 12: builds a minimal bookworm chroot
# (debootstrap --variant=minbase), clones this repository's committed HEAD into it, binds /proc,
# /sys and /dev (the tests use loop devices and FUSE), and runs `dev.sh demo` and then
# `dev.sh test` inside, as root. Not part of CI: it takes a few minutes plus two builds.
#
#   sudo bash scripts/fresh-check.sh [CHROOT_DIR]   (default: a new folder under /tmp)
# Set KEEP_CHROOT=1 to keep the chroot for inspection. Then the wizard is started under Xvfb in
# the chroot, in Japanese and under LANG=en_US.UTF-8, and its window is saved as
# fresh-gui-ja.xwd and fresh-gui-en.xwd (PNG too when ImageMagick is here) in SHOTS_DIR
# (default /tmp).
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
root=${1:-$(mktemp -d /tmp/tundrel-fresh.XXXXXX)}

[[ $EUID -eq 0 ]] || { echo "fresh-check: run as root" >&2; exit 1; }
if ! command -v debootstrap >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null
fi

mounted=()
cleanup() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[$i]}" 2>/dev/null || true; done
  if [[ ${KEEP_CHROOT:-0} == 1 ]]; then echo "fresh-check: chroot kept at $root"; else rm -rf --one-file-system "$root"; fi
}
trap cleanup EXIT

echo "== debootstrap bookworm (minbase) into $root"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.debootstrap.log" 2>&1 ||
  { tail -20 "$root.debootstrap.log" >&2; exit 1; }
rm -f "$root.debootstrap.log"

for fs in proc sys dev dev/pts; do
  mkdir -p "$root/$fs"
  mount --bind "/$fs" "$root/$fs"
  mounted+=("$root/$fs")
done
cp /etc/resolv.conf "$root/etc/resolv.conf"

# The committed state only: what a new clone would hold.
git -C "$top" archive --format=tar --prefix=tundrel/ HEAD | tar -x -C "$root/root"
if [[ -d $top/../shared ]]; then cp -r "$top/../shared" "$root/root/shared"; fi

run() { chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 bash -c "$1"; }

echo "== README command 1: bash scripts/dev.sh demo"
run 'cd /root/tundrel && bash scripts/dev.sh demo'
echo "== README command 2: bash scripts/dev.sh test"
run 'cd /root/tundrel && bash scripts/dev.sh test'
echo "fresh-check: both README commands passed in a fresh Debian 12 chroot"

echo "== the wizard under Xvfb: the mode pane in Japanese and in English"
shots=${SHOTS_DIR:-/tmp}
run 'DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends xvfb xauth x11-apps >/dev/null'
for lang in ja_JP.UTF-8:ja en_US.UTF-8:en; do
  tag=${lang##*:}
  run "cd /root/tundrel && LANG=${lang%%:*} xvfb-run -a -s '-screen 0 1024x700x24' bash -c \
    'build/src/app/tundrel-gui & gui=\$!; sleep 5; kill -0 \$gui && xwd -root -silent > /tmp/gui.xwd; kill \$gui'"
  cp "$root/tmp/gui.xwd" "$shots/fresh-gui-$tag.xwd"
  if command -v convert >/dev/null; then convert "xwd:$shots/fresh-gui-$tag.xwd" "$shots/fresh-gui-$tag.png"; fi
done
echo "fresh-check: the wizard started under Xvfb; its pictures are in $shots/fresh-gui-{ja,en}.*"
