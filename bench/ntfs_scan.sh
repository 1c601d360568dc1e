#!/usr/bin/env bash
# Times a deleted-file scan of an NTFS volume with many MFT records against The Sleuth Kit's
# fls on the same image, round by round in the same run, and reports the median ratio, the
# peak memory of each and tundrel's memory per MFT record.
#
#   sudo bench/ntfs_scan.sh [FILES] [ROUNDS]
#
# Needs root (the volume is filled through ntfs-3g), mkntfs, ntfs-3g, fls, python3 and GNU
# time. TUNDREL names the tundrel binary (default: build/src/cli/tundrel below the repository).
# IMAGE names an image made by an earlier run (KEEP_IMAGE=1 keeps it and prints its path).
set -euo pipefail

files=${1:-210000}
rounds=${2:-5}
repo=$(cd "$(dirname "$0")/.." && pwd)
tundrel=${TUNDREL:-$repo/build/src/cli/tundrel}
gnu_time=/usr/bin/time

for tool in mkntfs ntfs-3g fls python3 "$gnu_time" "$tundrel"; do
    command -v "$tool" >/dev/null || { echo "ntfs_scan.sh: '$tool' is missing" >&2; exit 2; }
done

work=$(mktemp -d /tmp/tundrel-ntfs-bench.XXXXXX)
image=${IMAGE:-$work/volume.img}
mountpoint=$work/mnt
cleanup() {
    mountpoint -q "$mountpoint" 2>/dev/null && umount "$mountpoint"
    if [ "${KEEP_IMAGE:-0}" = 1 ] && [ -z "${IMAGE:-}" ]; then
        echo "image kept: $image"
        find "$work" -mindepth 1 ! -path "$image" -delete 2>/dev/null || true
    else
        rm -rf "$work"
    fi
}
trap cleanup EXIT

if [ -z "${IMAGE:-}" ]; then
    [ "$(id -u)" -eq 0 ] || { echo "ntfs_scan.sh: run as root (FUSE mount)" >&2; exit 2; }
    # 4 KiB clusters; small files (most held in their records) in folders of 1,000.
    truncate -s 4G "$image"
    mkntfs -F -Q -q -L NTFSBENCH "$image" >/dev/null 2>&1
    mkdir -p "$mountpoint"
    ntfs-3g -o big_writes "$image" "$mountpoint"
    python3 - "$mountpoint" "$files" <<'PY'
import os, sys
root, count = sys.argv[1], int(sys.argv[2])
per_folder = 1000
made = []
for i in range(count):
    folder = os.path.join(root, "Folder %03d" % (i // per_folder))
    if i % per_folder == 0:
        os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "Report number %06d.txt" % i)
    size = (i * 7919) % 3000
    with open(path, "wb") as f:
        f.write(bytes([65 + i % 26]) * size)
    made.append(path)
# A fifth of the files are deleted.
for path in made[::5]:
    os.remove(path)
PY
    umount "$mountpoint"
    sync
fi

# MFT records: the $MFT's data size over the record size.
records=$(python3 - "$image" <<'PY'
import struct, sys
with open(sys.argv[1], "rb") as f:
    boot = f.read(512)
    cluster = boot[13] * struct.unpack_from("<H", boot, 11)[0]
    f.seek(struct.unpack_from("<Q", boot, 0x30)[0] * cluster)
    record = bytearray(f.read(1024))
fix = struct.unpack_from("<H", record, 4)[0]
record[510:512] = record[fix + 2:fix + 4]
at = struct.unpack_from("<H", record, 0x14)[0]
while True:
    kind, length = struct.unpack_from("<II", record, at)
    if kind == 0x80:
        print(struct.unpack_from("<Q", record, at + 0x30)[0] // 1024)
        break
    at += length
PY
)

# An empty volume shows what the program needs before any record.
empty=$work/empty.img
truncate -s 64M "$empty"
mkntfs -F -Q -q "$empty" >/dev/null 2>&1

# Prints "seconds peak-kilobytes" of one run of the command.
measure() {
    local report
    report=$(mktemp)
    "$gnu_time" -f "%e %M" -o "$report" "$@" >/dev/null 2>/dev/null
    cat "$report"
    rm -f "$report"
}

source "$(dirname "$0")/timing.sh"

ours_cmd=("$tundrel" scan --mode deleted -q --json "$image")
# The same scan without the JSON Lines: what the engine costs apart from printing every node.
plain_cmd=("$tundrel" scan --mode deleted -q "$image")
fls_cmd=(fls -r -d -p "$image")
# Warm the page cache so that both read the image from memory.
"${ours_cmd[@]}" >/dev/null 2>&1 || true
"${fls_cmd[@]}" >/dev/null 2>&1 || true

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", (b > 0) ? a / b : 0 }'; }

ours_times=() ours_mem=() plain_times=() plain_mem=() fls_times=() fls_mem=() ratios=() plain_ratios=()
for ((round = 1; round <= rounds; round++)); do
    read -r t m < <(measure "${ours_cmd[@]}"); ours_times+=("$t"); ours_mem+=("$m")
    read -r t m < <(measure "${plain_cmd[@]}"); plain_times+=("$t"); plain_mem+=("$m")
    read -r t m < <(measure "${fls_cmd[@]}"); fls_times+=("$t"); fls_mem+=("$m")
    ratios+=("$(ratio "${ours_times[-1]}" "${fls_times[-1]}")")
    plain_ratios+=("$(ratio "${plain_times[-1]}" "${fls_times[-1]}")")
    echo "round $round: tundrel --json ${ours_times[-1]} s ${ours_mem[-1]} KiB, without --json ${plain_times[-1]} s" \
         "${plain_mem[-1]} KiB, fls ${fls_times[-1]} s ${fls_mem[-1]} KiB; ratios ${ratios[-1]} and ${plain_ratios[-1]}"
done

read -r _ empty_mem < <(measure "$tundrel" scan --mode deleted -q --json "$empty")
read -r _ fls_empty_mem < <(measure fls -r -d -p "$empty")
ours_median=$(printf '%s\n' "${ours_times[@]}" | median)
fls_median=$(printf '%s\n' "${fls_times[@]}" | median)
ratio_median=$(printf '%s\n' "${ratios[@]}" | median)
plain_median=$(printf '%s\n' "${plain_times[@]}" | median)
plain_ratio_median=$(printf '%s\n' "${plain_ratios[@]}" | median)
ours_peak=$(printf '%s\n' "${ours_mem[@]}" | sort -n | tail -1)
fls_peak=$(printf '%s\n' "${fls_mem[@]}" | sort -n | tail -1)
entries=$("${ours_cmd[@]}" | wc -l)
deleted=$("${fls_cmd[@]}" | wc -l)
echo "MFT records: $records; tundrel JSON lines: $entries; fls -d lines: $deleted"
echo "median: tundrel $ours_median s, fls $fls_median s; median ratio $ratio_median"
echo "median without --json: tundrel $plain_median s; median ratio $plain_ratio_median"
echo "peak RSS: tundrel $ours_peak KiB, fls $fls_peak KiB; on an empty volume tundrel $empty_mem KiB, fls $fls_empty_mem KiB"
# Bytes per MFT record: the peak above the same command's run on the empty volume.
per_record() { awk -v peak="$1" -v base="$2" -v n="$records" 'BEGIN { printf "%.0f", (peak - base) * 1024 / n }'; }
echo "memory per MFT record: tundrel $(per_record "$ours_peak" "$empty_mem") bytes," \
     "fls $(per_record "$fls_peak" "$fls_empty_mem") bytes (above the empty-volume run);" \
     "peak: tundrel $(per_record "$ours_peak" 0) bytes, fls $(per_record "$fls_peak" 0) bytes"
