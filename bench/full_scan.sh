#!/usr/bin/env bash
# Times the full scan's sweep over a 1 GiB image against `cat` of the image (the floor) and
# PhotoRec (every type, as bench/carve_raw.sh runs it), round by round in the same run, and
# reports the median of ROUNDS runs each. The goal: at most twice `cat`, faster than PhotoRec.
#
#   bench/full_scan.sh [ROUNDS]
#
# The image is a 1 GiB FAT32 volume made with mkfs.fat and filled through mtools with FILES
# (default 300) files of pseudo-random bytes, 256 KiB to 1 MiB each, in a few folders. Ours is
# `tundrel scan -q --mode full` with its default carving types and all three file systems;
# the volume it rebuilds is not timed apart. Installs testdisk (PhotoRec) with apt-get when it
# is missing (root). TUNDREL names the binary (default: build/src/cli/tundrel). KEEP_IMAGE=1
# keeps the work folder.
set -euo pipefail

rounds=${1:-3}
files=${FILES:-300}
repo=$(cd "$(dirname "$0")/.." && pwd)
tundrel=${TUNDREL:-$repo/build/src/cli/tundrel}

if ! command -v photorec >/dev/null; then
    [ "$(id -u)" -eq 0 ] || { echo "full_scan.sh: photorec is missing; run as root to install it" >&2; exit 2; }
    apt-get install -y -q testdisk >/dev/null
fi
for tool in mkfs.fat mcopy mmd openssl photorec "$tundrel"; do
    command -v "$tool" >/dev/null || { echo "full_scan.sh: '$tool' is missing" >&2; exit 2; }
done

work=$(mktemp -d /tmp/tundrel-full-bench.XXXXXX)
cleanup() { if [ "${KEEP_IMAGE:-0}" = 1 ]; then echo "work folder kept: $work"; else rm -rf "$work"; fi; }
trap cleanup EXIT
image=$work/fat32.img

truncate -s 1G "$image"
mkfs.fat -F 32 -n FULLBENCH "$image" >/dev/null
for folder in 0 1 2 3; do
    mkdir -p "$work/files/dir$folder"
    MTOOLS_SKIP_CHECK=1 mmd -i "$image" "::/dir$folder"
done
for ((n = 0; n < files; n++)); do
    openssl rand -out "$work/files/dir$((n % 4))/f$n.bin" $((262144 + (n * 2654435761 % 786432))) 2>/dev/null
done
for folder in 0 1 2 3; do MTOOLS_SKIP_CHECK=1 mcopy -i "$image" "$work/files/dir$folder/"* "::/dir$folder/"; done
rm -rf "$work/files"

source "$(dirname "$0")/timing.sh"

run_tundrel() { "$tundrel" scan -q --mode full "$image"; }
run_photorec() { photorec_search "$image" "$work"; }
run_cat() { cat "$image" >/dev/null; }

# Every run reads the image from the page cache: warm it first.
run_cat
declare -A times=()
for ((round = 1; round <= rounds; round++)); do
    for tool in cat tundrel photorec; do times[$tool]+="$(seconds "run_$tool") "; done
done

echo "1 GiB FAT32 volume, $files files; median of $rounds runs, page cache warm"
printf '%-10s %10s\n' tool seconds
for tool in cat tundrel photorec; do
    printf '%-10s %10s\n' "$tool" "$(printf '%s\n' ${times[$tool]} | median)"
done
