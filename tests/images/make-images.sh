#!/usr/bin/env bash
# Builds the test disk images of this folder with the real file system tools:
#
#   fat16.img        bare FAT16 volume, filled with mtools
#   fat32.img        bare FAT32 volume (512-byte clusters), filled with mtools
#   fat12.img        1.44 MB floppy (FAT12, 224 root entries), filled with mtools
#   fat32-wiped.img  FAT32 (4 KiB clusters) whose big folders were removed with mdeltree
#   fat16-damage.img FAT16 with a reused first cluster and a patched long-name remnant
#   ntfs.img         bare NTFS volume, filled through ntfs-3g
#   exfat.img        bare exFAT volume, filled through exfat-fuse
#   sample-disk.img  MBR disk: FAT32 primary, extended partition holding
#                    a logical NTFS and a logical exFAT partition
#   ntfs-2m.img      bare NTFS volume with 2 MiB clusters (The Sleuth Kit
#                    cannot read it: its manifest is the oracle)
#   ntfs-initsize.img  bare NTFS volume whose files' initialized sizes were
#                    patched below their sizes
#   exfat-512.img    bare exFAT volume with 512-byte clusters, one stream's
#                    valid data length patched below its data length
#   ntfs-nameless.img  NTFS volume with a deleted folder whose record lost its name
#   ntfs-streams.img   NTFS volume with files that carry named data streams
#   ntfs-names.img     NTFS volume whose names hold "]", tabs, line feeds and backslashes
#   exfat-length.img   exfat-512.img with one byte of a deleted file's DataLength changed
#   fat32-size.img     fat32.img with one byte of a deleted file's size changed
#   fat16-loop.img     fat16.img with one FAT entry changed so that a chain loops
#   carve-fat32.img    FAT32 whose free clusters hold deleted files of every carving type
#                      with their directory entries wiped, for carving
#   carve-exfat.img    the same files on exFAT, written and deleted through exfat-fuse
#   carve-ntfs.img     the same files on NTFS, laid into clusters no MFT record points at
#   fat32-lostdir.img  FAT32 with two folders removed with mdeltree whose root entries were
#                      then taken out: a lost folder and a folder of restore-point logs
#   carve-raw.img      raw image (no file system): every carving sample at a known sector
#   fat32-chk.img      FAT32 whose FOUND.000 folder and root hold check-disk files (.CHK) of
#                      known content: pictures, a PDF, text, and a copy of a directory cluster
#   fat32-recycle.img  FAT32 with a "RECYCLER" folder (INFO2 index) and a "$RECYCLE.BIN"
#                      folder ($I/$R pairs), hidden system folders, one pair deleted
#   ntfs-recycle.img   NTFS with the same "$RECYCLE.BIN" folder
#   fat32-lostchains.img  FAT32 whose live folders and files lost their root entries: chains
#                      the table holds that no directory names
#   docs-fat32.img     FAT32 holding the preview's test documents live, deleted, and known
#                      only by their content (their folder deleted and overwritten)
#   fat32-to-ntfs.img  FAT32 volume reformatted as NTFS (mkntfs -Q), for the full scan
#   ntfs-to-fat32.img  NTFS volume reformatted as FAT32 (mkfs.fat), its file records surviving
#   ntfs-quick.img     NTFS volume quick-formatted as NTFS again with another cluster size
#   exfat-noboot.img   exFAT volume whose main boot region was zeroed; the backup region stays
#   repartitioned.img  MBR disk of a FAT32 and an NTFS partition whose table was made again
#                      with one unformatted partition over another range
#   fat32-refilled.img FAT32 volume reformatted by mkfs.fat, then given new files with mtools:
#                      an old JPEG in the free clusters, a new one in allocated clusters
#   (each with <name>-former*.fls.txt, The Sleuth Kit's listing of the old volumes)
#
# Each image is stored as <name>.img.gz (gzip -9 -n) beside <name>.manifest.json
# and the Sleuth Kit listing <name>[-pN].fls.txt; see README.md.
#
# Run as root on Debian 12:   sudo tests/images/make-images.sh [IMAGE...]
# (every image, or only those named: fat16 fat32 ntfs exfat sample-disk fat12
#  fat32-wiped fat16-damage exfat-length fat32-size fat16-loop carve-fat32 carve-exfat carve-ntfs
#  fat32-lostdir carve-raw fat32-chk fat32-recycle ntfs-recycle fat32-lostchains docs-fat32
#  fat32-to-ntfs ntfs-to-fat32 ntfs-quick exfat-noboot repartitioned fat32-refilled
#  lost-mbr)
# It installs nothing; it stops and names the Debian package of a missing tool.
# Set KEEP_WORK=1 to keep the scratch folder for inspection.
set -euo pipefail

export TZ=UTC LC_ALL=C.UTF-8 MTOOLS_SKIP_CHECK=1
export PATH="/usr/local/sbin:/usr/sbin:/sbin:$PATH"
umask 022

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
TOOL=(python3 "$HERE/imagetool.py")

die() { echo "make-images: $*" >&2; exit 1; }
note() { echo "make-images: $*"; }

# Runs a command whose chatter on stderr only matters when it fails.
quiet() {
    if ! "$@" 2>"$WORK/stderr.log" >/dev/null; then
        cat "$WORK/stderr.log" >&2
        die "failed: $*"
    fi
}

# --------------------------------------------------------------------------
# Preconditions

check_tools() {
    local -A package_of=(
        [mkfs.fat]=dosfstools [fsck.fat]=dosfstools
        [mcopy]=mtools [mmd]=mtools [mdel]=mtools [mdeltree]=mtools [mattrib]=mtools
        [mkntfs]=ntfs-3g [ntfs-3g]=ntfs-3g
        [mkfs.exfat]=exfatprogs [mount.exfat-fuse]=exfat-fuse
        [sfdisk]=fdisk
        [fls]=sleuthkit [istat]=sleuthkit [icat]=sleuthkit [blkls]=sleuthkit [mmls]=sleuthkit
        [setfattr]=attr [getfattr]=attr
        [losetup]=mount [umount]=mount [mountpoint]=util-linux
        [python3]=python3 [gzip]=gzip [md5sum]=coreutils [openssl]=openssl
    )
    local tool missing=()
    for tool in "${!package_of[@]}"; do
        command -v "$tool" >/dev/null 2>&1 || missing+=("$tool (Debian package ${package_of[$tool]})")
    done
    if ((${#missing[@]})); then
        printf 'make-images: missing tool: %s\n' "${missing[@]}" >&2
        exit 1
    fi
    python3 -c 'import sys; sys.exit(sys.version_info < (3, 9))' || die "python3 3.9 or newer is needed"
    [[ $EUID -eq 0 ]] || die "run as root (loop devices and FUSE mounts)"
    [[ -c /dev/fuse ]] || die "/dev/fuse is missing (modprobe fuse)"
}

# --------------------------------------------------------------------------
# Scratch space, loop devices and FUSE mounts, all undone on exit

WORK=""
LOOPS=()
declare -A FUSE_PID=()

cleanup() {
    local rc=$? mnt pid dev
    set +e
    for mnt in "${!FUSE_PID[@]}"; do
        pid=${FUSE_PID[$mnt]}
        umount "$mnt" 2>/dev/null || umount -l "$mnt" 2>/dev/null
        for _ in 1 2 3 4 5 6 7 8 9 10; do kill -0 "$pid" 2>/dev/null || break; sleep 0.5; done
        kill -0 "$pid" 2>/dev/null && kill "$pid"
        wait "$pid" 2>/dev/null
    done
    for dev in "${LOOPS[@]}"; do
        losetup -d "$dev" 2>/dev/null
    done
    if [[ -n $WORK && -d $WORK ]]; then
        if [[ ${KEEP_WORK:-0} == 1 ]]; then note "scratch folder kept: $WORK"; else rm -rf "$WORK"; fi
    fi
    exit "$rc"
}

loop_attach() {  # FILE [OFFSET_BYTES SIZE_BYTES]; sets LOOP
    if (($# == 3)); then
        LOOP=$(losetup -f --show -o "$2" --sizelimit "$3" "$1")
    else
        LOOP=$(losetup -f --show "$1")
    fi
    LOOPS+=("$LOOP")
}

loop_detach() {
    local dev=$1 i
    sync
    losetup -d "$dev"
    for i in "${!LOOPS[@]}"; do
        [[ ${LOOPS[$i]} == "$dev" ]] && unset 'LOOPS[i]'
    done
    LOOPS=("${LOOPS[@]}")
}

fuse_mount() {  # MOUNTPOINT COMMAND... (the command must stay in the foreground)
    local mnt=$1 pid i
    shift
    mkdir -p "$mnt"
    "$@" >>"$WORK/fuse.log" 2>&1 &
    pid=$!
    for ((i = 0; i < 100; i++)); do
        mountpoint -q "$mnt" && break
        kill -0 "$pid" 2>/dev/null || die "mount failed: $* (see $WORK/fuse.log)"
        sleep 0.1
    done
    mountpoint -q "$mnt" || die "mount timed out: $*"
    FUSE_PID[$mnt]=$pid
}

fuse_unmount() {
    local mnt=$1
    umount "$mnt"
    wait "${FUSE_PID[$mnt]}" || die "the FUSE driver for $mnt exited with an error"
    unset "FUSE_PID[$mnt]"
    sync
}

mount_ntfs() { fuse_mount "$2" ntfs-3g -o no_detach "$1" "$2"; }
# "file:stream" paths open named data streams.
mount_ntfs_streams() { fuse_mount "$2" ntfs-3g -o no_detach,streams_interface=windows "$1" "$2"; }
mount_exfat() { fuse_mount "$2" mount.exfat-fuse -d "$1" "$2"; }

# --------------------------------------------------------------------------
# The ledger records every operation of a volume; imagetool.py turns it into
# the manifest.  Times come from a clock that advances by an even number of
# seconds per item, so FAT's 2-second timestamps store them exactly.

CLOCK=0
VOLDIR=""
LEDGER=""
FAT_DEV=""
MNT=""
declare -A DIR_TIME=()

begin_volume() {  # ID START_DATE
    VOLDIR="$WORK/vol-$1"
    mkdir -p "$VOLDIR"
    LEDGER="$VOLDIR/ledger.tsv"
    : >"$LEDGER"
    DIR_TIME=()
    CLOCK=$(date -u -d "$2" +%s)
}

tick() { CLOCK=$((CLOCK + 5558)); }

# A name may hold tabs, line feeds and backslashes: they are written \t, \n and \\, as
# imagetool.py reads them.
ledger() {
    local IFS=$'\t' fields=() field
    for field; do
        field=${field//\\/\\\\}
        field=${field//$'\t'/\\t}
        fields+=("${field//$'\n'/\\n}")
    done
    printf '%s\n' "${fields[*]}" >>"$LEDGER"
}

snapshot() {  # IMAGE OFFSET_SECTORS FS: records where every live file sits before deletions
    sync
    "${TOOL[@]}" snapshot "$LEDGER" "$1" "$2" "$3" "$VOLDIR/snapshot.json"
}

finalize() {  # IMAGE OFFSET_SECTORS FS LABEL FLS_NAME
    "${TOOL[@]}" finalize "$LEDGER" "$1" "$2" "$3" "$VOLDIR/snapshot.json" \
        "$WORK/out/$5" "$VOLDIR/volume.json" "$4"
}

# FAT volumes, written with mtools on $FAT_DEV (an image file or a loop device)

fat_mkdir() {
    local p
    for p; do
        tick
        quiet env SOURCE_DATE_EPOCH="$CLOCK" mmd -i "$FAT_DEV" "::$p" </dev/null
        ledger dir "$p" "$CLOCK"
    done
}

fat_put() {  # PATH KIND SEED SIZE
    tick
    local blob="$WORK/blob"
    "${TOOL[@]}" gen "$2" "$3" "$4" "$blob"
    touch -d "@$CLOCK" "$blob"
    quiet env SOURCE_DATE_EPOCH="$CLOCK" mcopy -m -i "$FAT_DEV" "$blob" "::$1" </dev/null
    ledger file "$1" "$2" "$3" "$4" "$CLOCK"
}

fat_put_copy() {  # PATH SOURCE: a file holding the bytes of SOURCE, which must stay until finalize
    tick
    local blob="$WORK/blob"
    cp "$2" "$blob"
    touch -d "@$CLOCK" "$blob"
    quiet env SOURCE_DATE_EPOCH="$CLOCK" mcopy -m -i "$FAT_DEV" "$blob" "::$1" </dev/null
    ledger file "$1" "copy=$2" 0 "$(stat -c %s "$2")" "$CLOCK"
}

fat_del() {
    local p
    for p; do
        quiet mdel -i "$FAT_DEV" "::$p" </dev/null
        ledger del "$p"
    done
}

fat_deltree() {
    quiet mdeltree -i "$FAT_DEV" "::$1" </dev/null
    ledger del "$1"
}

# Mounted volumes (ntfs-3g, exfat-fuse) under $MNT

fs_mkdir() {
    local p
    for p; do
        tick
        mkdir "$MNT$p"
        touch -d "@$CLOCK" "$MNT$p"
        DIR_TIME[$p]=$CLOCK
        ledger dir "$p" "$CLOCK"
    done
}

fs_put() {  # PATH KIND SEED SIZE
    tick
    "${TOOL[@]}" gen "$2" "$3" "$4" "$MNT$1"
    touch -d "@$CLOCK" "$MNT$1"
    ledger file "$1" "$2" "$3" "$4" "$CLOCK"
}

fs_put_stream() {  # PATH STREAM KIND SEED SIZE: a named stream of the file just put
    "${TOOL[@]}" gen "$3" "$4" "$5" "$MNT$1:$2"
    # Writing a stream touches its file: the file keeps the time it was put with.
    touch -d "@$CLOCK" "$MNT$1"
    ledger file "$1:$2" "$3" "$4" "$5" "$CLOCK"
}

fs_put_interleaved() {  # CHUNK (PATH KIND SEED SIZE)...: files whose clusters alternate
    local chunk=$1 args=() times=() i
    shift
    while (($#)); do
        tick
        times+=("$CLOCK")
        args+=("$MNT$1" "$2" "$3" "$4")
        ledger file "$1" "$2" "$3" "$4" "$CLOCK"
        ledger expect "$1" fragmented
        shift 4
    done
    "${TOOL[@]}" interleave "$chunk" "${args[@]}"
    for ((i = 0; i < ${#times[@]}; i++)); do
        touch -d "@${times[i]}" "${args[i * 4]}"
    done
}

fs_link() {  # NEW_PATH EXISTING_PATH
    ln "$MNT$2" "$MNT$1"
    ledger link "$1" "$2"
}

fs_del() {
    local p
    for p; do
        rm "$MNT$p"
        ledger del "$p"
    done
}

# Removes a folder bottom-up; each folder gets its own time back just before
# it goes, because removing its children touched it.
fs_deltree() {
    local top=$1 entry rel
    while IFS= read -r -d '' entry; do
        rel=${entry#"$MNT"}
        if [[ -d $entry ]]; then
            touch -d "@${DIR_TIME[$rel]}" "$entry"
            rmdir "$entry"
            unset "DIR_TIME[$rel]"
        else
            rm "$entry"
        fi
    done < <(find "$MNT$top" -depth -print0)
    ledger del "$top"
}

fs_restore_dir_times() {
    local p
    for p in "${!DIR_TIME[@]}"; do
        touch -d "@${DIR_TIME[$p]}" "$MNT$p"
    done
}

# --------------------------------------------------------------------------
# Content shared by the FAT16 and FAT32 volumes

fat_common_content() {  # SEED_BASE
    local s=$1
    fat_mkdir /Docs /Docs/Reports /Docs/Reports/2023 /フォルダ /フォルダ/サブフォルダ /PHOTOS /Fragments
    fat_put /README.TXT text $((s + 1)) 1500
    fat_put /notes.txt text $((s + 2)) 700
    fat_put "/Project Plan 2023.txt" text $((s + 3)) 5200
    fat_put /EMPTY.DAT text $((s + 4)) 0
    fat_put /日本語のファイル.txt text $((s + 5)) 3000
    fat_put /big-log.txt text $((s + 6)) 180000
    fat_put /Docs/Reports/annual.txt text $((s + 7)) 12000
    fat_put "/Docs/Reports/2023/Q4 summary.txt" text $((s + 8)) 4100
    fat_put /Docs/Reports/2023/DATA.CSV text $((s + 9)) 2500
    fat_put /Docs/empty.txt text $((s + 10)) 0
    fat_put /フォルダ/日本語のファイル.txt text $((s + 11)) 2200
    fat_put /フォルダ/サブフォルダ/メモ.txt text $((s + 12)) 900
    fat_put /PHOTOS/IMG_0001.JPG binary $((s + 13)) 6144
    fat_put /PHOTOS/IMG_0002.JPG binary $((s + 14)) 3000
    # Three neighbours; the middle one is deleted later to leave a gap.
    fat_put /Fragments/part-a.txt text $((s + 15)) 20000
    fat_put /Fragments/part-b.txt text $((s + 16)) 10000
    fat_put /Fragments/part-c.txt text $((s + 17)) 8000
}

# Files and folders that are deleted at the very end; nothing is written
# after that, so their clusters and directory entries stay as they were.
fat_doomed_content() {  # SEED_BASE
    local s=$1
    fat_put /DELETED.TXT text $((s + 30)) 4000
    fat_put "/Deleted Long Name.txt" text $((s + 31)) 9000
    fat_put /削除されたファイル.txt text $((s + 32)) 2048
    fat_put /PHOTOS/IMG_0003.JPG binary $((s + 33)) 4096
    fat_put "/Docs/Reports/old draft.txt" text $((s + 34)) 6000
    fat_put /Docs/Reports/2023/OLD.CSV text $((s + 35)) 1500
    fat_put /Docs/ZERO.TXT text $((s + 36)) 0
    fat_mkdir "/Old Projects" "/Old Projects/Drafts"
    fat_put "/Old Projects/plan.txt" text $((s + 37)) 7000
    fat_put "/Old Projects/budget 2022.csv" text $((s + 38)) 3000
    fat_put "/Old Projects/NOTES.TXT" text $((s + 39)) 1200
    fat_put "/Old Projects/Drafts/draft-1.txt" text $((s + 40)) 2600
    fat_mkdir /TRASH
    fat_put /TRASH/A.TXT text $((s + 41)) 1000
    fat_put /TRASH/b.bin binary $((s + 42)) 2000
}

fat_doomed_delete() {
    fat_del /DELETED.TXT "/Deleted Long Name.txt" /削除されたファイル.txt /PHOTOS/IMG_0003.JPG \
        "/Docs/Reports/old draft.txt" /Docs/Reports/2023/OLD.CSV /Docs/ZERO.TXT
    fat_deltree "/Old Projects"
    fat_deltree /TRASH
}

# --------------------------------------------------------------------------
# Images

build_fat16() {
    local img="$WORK/fat16.img"
    note "fat16.img"
    begin_volume fat16 "2023-02-06 08:00:00"
    quiet mkfs.fat -C -F 16 -n FAT16TEST --invariant -i 16161616 "$img" 16384
    FAT_DEV=$img
    fat_common_content 100
    snapshot "$img" 0 fat16
    # FAT16 has no next-free hint, so mtools allocates from the first free
    # cluster: the new file fills part-b's gap and continues after part-c.
    fat_del /Fragments/part-b.txt
    fat_put /Docs/fragmented.txt text 118 40000
    ledger expect /Docs/fragmented.txt fragmented
    fat_doomed_content 100
    snapshot "$img" 0 fat16
    fat_doomed_delete
    finalize "$img" 0 fat16 FAT16TEST fat16.fls.txt
    "${TOOL[@]}" assemble "$img" "$WORK/out/fat16.manifest.json" - "0|fat16|FAT16TEST|$VOLDIR/volume.json"
}

build_fat32() {
    local img="$WORK/fat32.img" d path hi last cs total size n gap
    note "fat32.img"
    begin_volume fat32 "2023-06-12 09:30:00"
    # 34 MiB is about the least FAT32 accepts with 512-byte clusters, and
    # still numbers its clusters past 65535.
    quiet mkfs.fat -C -F 32 -s 1 -n FAT32TEST --invariant -i 32323232 "$img" $((34 * 1024))
    FAT_DEV=$img
    fat_common_content 200
    path=/Deep
    fat_mkdir "$path"
    for d in 1 2 3 4 5 6 7 8; do
        path="$path/Level$d"
        fat_mkdir "$path"
    done
    fat_put "$path/bottom.txt" text 250 1200
    fat_doomed_content 200

    # Filler moves the allocation point close to the end, so the next folders
    # get first clusters above 65535 (their high word is non-zero).
    read -r hi last cs < <("${TOOL[@]}" fat-space "$img" 0)
    total=$(((last - 200 - hi) * cs))
    fat_mkdir /Filler
    n=0
    while ((total > 0)); do
        size=$((total > 8388608 ? 8388608 : total))
        fat_put "$(printf '/Filler/fill-%02d.bin' "$n")" filler 0 "$size"
        total=$((total - size))
        n=$((n + 1))
    done
    fat_mkdir /Above64K
    ledger expect /Above64K highcluster
    fat_put /Above64K/high.txt text 260 3000
    fat_mkdir "/High Deleted"
    ledger expect "/High Deleted" highcluster
    fat_put "/High Deleted/gone.txt" text 261 5000
    fat_put "/High Deleted/GONE2.TXT" text 262 1800

    # mtools keeps FAT32's next-free hint, so a freed gap is only used once the
    # allocator wraps around the end of the volume: this file fills the tail,
    # wraps and ends inside part-b's gap (fragments out of cluster order).
    snapshot "$img" 0 fat32
    fat_del /Fragments/part-b.txt
    read -r hi last cs < <("${TOOL[@]}" fat-space "$img" 0)
    gap=$(((10000 + cs - 1) / cs))
    fat_put /Docs/fragmented.txt text 218 $(((last - hi + gap - 4) * cs + 100))
    ledger expect /Docs/fragmented.txt fragmented

    snapshot "$img" 0 fat32
    fat_doomed_delete
    fat_deltree "/High Deleted"
    finalize "$img" 0 fat32 FAT32TEST fat32.fls.txt
    "${TOOL[@]}" assemble "$img" "$WORK/out/fat32.manifest.json" - "0|fat32|FAT32TEST|$VOLDIR/volume.json"
}

build_fat12() {
    local img="$WORK/fat12.img"
    note "fat12.img"
    begin_volume fat12 "2022-11-07 13:00:00"
    quiet mkfs.fat -C -F 12 -r 224 -n FAT12TEST --invariant -i 12121212 "$img" 1440
    FAT_DEV=$img
    fat_common_content 600
    snapshot "$img" 0 fat12
    # As on FAT16, mtools allocates from the first free cluster.
    fat_del /Fragments/part-b.txt
    fat_put /Docs/fragmented.txt text 618 40000
    ledger expect /Docs/fragmented.txt fragmented
    fat_doomed_content 600
    snapshot "$img" 0 fat12
    fat_doomed_delete
    finalize "$img" 0 fat12 FAT12TEST fat12.fls.txt
    "${TOOL[@]}" assemble "$img" "$WORK/out/fat12.manifest.json" - "0|fat12|FAT12TEST|$VOLDIR/volume.json"
}

# Folders of many long-named files written in turn, so each folder's directory
# grows cluster by cluster between the others' files and its clusters are not
# adjacent; mdeltree then frees the whole chain of every folder.
build_fat32_wiped() {
    local img="$WORK/fat32-wiped.img" folders=("/Wiped Alpha" "/Wiped Bravo" "/Wiped Charlie") i f size
    note "fat32-wiped.img"
    begin_volume fat32-wiped "2023-03-20 10:00:00"
    # 258 MiB is about the least with 4 KiB clusters that is still FAT32 by cluster count.
    quiet mkfs.fat -C -F 32 -s 8 -n WIPEDTEST --invariant -i 32040960 "$img" $((258 * 1024))
    FAT_DEV=$img
    fat_mkdir /Kept "${folders[@]}"
    fat_put /Kept/readme.txt text 700 2500
    fat_put "/Kept/Live long name.txt" text 701 9000
    local specs=() paths=() n=0
    for ((i = 1; i <= 160; i++)); do
        for f in 0 1 2; do
            size=$((1024 + (i * 397 + f * 211) % 2048))
            ((i % 16 == 0)) && size=$((size + 6000))  # a few files of two or three clusters
            specs+=(text $((1000 + f * 1000 + i)) "$size")
            paths+=("$(printf '%s/Recovered document %03d of folder %d.txt' "${folders[f]}" "$i" "$f")")
        done
    done
    # One generator run for all 480 contents; then one mcopy each, in turn.
    mkdir -p "$WORK/blobs"
    "${TOOL[@]}" gen-batch "$WORK/blobs" "${specs[@]}"
    for ((n = 0; n < ${#paths[@]}; n++)); do
        tick
        touch -d "@$CLOCK" "$WORK/blobs/$n"
        quiet env SOURCE_DATE_EPOCH="$CLOCK" mcopy -m -i "$FAT_DEV" "$WORK/blobs/$n" "::${paths[n]}" </dev/null
        ledger file "${paths[n]}" "${specs[n * 3]}" "${specs[n * 3 + 1]}" "${specs[n * 3 + 2]}" "$CLOCK"
    done
    for f in "${folders[@]}"; do ledger expect "$f" unlisted; done
    fat_put "/Kept/Written after.txt" text 702 4000
    snapshot "$img" 0 fat32
    for f in "${folders[@]}"; do fat_deltree "$f"; done
    finalize "$img" 0 fat32 WIPEDTEST fat32-wiped.fls.txt
    "${TOOL[@]}" assemble "$img" "$WORK/out/fat32-wiped.manifest.json" - "0|fat32|WIPEDTEST|$VOLDIR/volume.json"
}

build_fat16_damage() {
    local img="$WORK/fat16-damage.img" remnant="Remnant of a long file name.txt" at
    note "fat16-damage.img"
    begin_volume fat16-damage "2023-08-14 15:00:00"
    quiet mkfs.fat -C -F 16 -s 4 -n DAMAGETEST --invariant -i 16d4a6e0 "$img" 16384
    FAT_DEV=$img
    fat_mkdir /Docs
    fat_put /Docs/report.txt text 800 9000
    fat_put "/Old notes.txt" text 801 6000
    fat_put /keep.txt text 802 4000
    fat_put "/$remnant" text 803 3000
    fat_put /Docs/intact-deleted.txt text 804 5000
    snapshot "$img" 0 fat16
    # FAT16 has no next-free hint: the new file starts in the old one's first cluster (in
    # another folder, so the old directory entry stays).
    fat_del "/Old notes.txt"
    fat_put "/Docs/New data.bin" binary 805 3000
    snapshot "$img" 0 fat16
    fat_del "/$remnant" /Docs/intact-deleted.txt
    # The long-name entry holding the name's last five characters, its terminator and the
    # 0xFFFF padding after it, read as a short entry once its attribute byte is 0: size
    # 0xFFFFFFFF, first cluster 0, dates 0xFFFF (2107-15-31).
    at=$("${TOOL[@]}" fat-lfn-attr "$img" 0 "$remnant" 0)
    ledger expect "/$remnant" lostlongname
    ledger damage "attribute byte at offset $at (first long-name entry of the deleted /$remnant) set from 0x0F to 0x00"
    finalize "$img" 0 fat16 DAMAGETEST fat16-damage.fls.txt
    "${TOOL[@]}" assemble "$img" "$WORK/out/fat16-damage.manifest.json" - "0|fat16|DAMAGETEST|$VOLDIR/volume.json"
}

build_ntfs() {
    local img="$WORK/ntfs.img"
    note "ntfs.img"
    begin_volume ntfs "2023-09-18 07:45:00"
    truncate -s 16M "$img"
    quiet mkntfs -F -Q -T -c 4096 -s 512 -p 0 -H 255 -S 63 -L NTFSTEST "$img"
    MNT="$WORK/mnt-ntfs"
    mount_ntfs "$img" "$MNT"
    fs_mkdir /Documents /Documents/Letters /Documents/Letters/2024 /日本語 /日本語/フォルダ /Media \
        /Compressed /Fragmented /Links
    # Folder compression: files created inside get a compressed $DATA.
    setfattr -n system.ntfs_attrib_be -v 0x00000800 "$MNT/Compressed"
    fs_put /readme.txt text 301 300
    fs_put /tiny.txt text 302 40
    fs_put /empty.txt text 303 0
    fs_put /Documents/report.txt text 304 40000
    fs_put /Documents/Letters/2024/letter-01.txt text 305 2000
    fs_put /Documents/Letters/2024/letter-02.txt text 306 500
    fs_put /日本語/フォルダ/日本語のファイル.txt text 307 1000
    fs_put /日本語/メモ.txt text 308 650
    fs_put /Media/clip.bin binary 309 12000
    fs_put /Media/icon.bin binary 310 600
    fs_put /Compressed/book1.txt text 311 120000
    fs_put /Compressed/book2.txt text 312 200000
    fs_put /Compressed/server.log text 313 290000
    local f
    for f in book1.txt book2.txt server.log; do ledger expect "/Compressed/$f" compressed; done
    fs_link /Links/report-hardlink.txt /Documents/report.txt
    # ntfs-3g allocates at write time and does not go back to fill gaps, so
    # fragmentation comes from writing three files in alternating chunks.
    fs_put_interleaved 8192 /Fragmented/interleaved-1.txt text 314 65536 \
        /Fragmented/interleaved-2.txt text 315 49152 /Fragmented/interleaved-3.txt text 316 40960

    # to be deleted; ntfs-3g reuses freed MFT records, so deletions come last
    fs_put /deleted-resident.txt text 330 400
    fs_put /deleted-big.txt text 331 30000
    fs_put /削除済み.txt text 332 5000
    fs_put /Documents/old-report.txt text 333 20000
    fs_put /Documents/Letters/draft.txt text 334 300
    fs_put /Compressed/old.log text 335 150000
    ledger expect /Compressed/old.log compressed
    fs_mkdir /OldProject /OldProject/Sub
    fs_put /OldProject/plan.txt text 336 10000
    fs_put /OldProject/notes.txt text 337 200
    fs_put /OldProject/Sub/data.csv text 338 3000

    fuse_unmount "$MNT"
    snapshot "$img" 0 ntfs
    mount_ntfs "$img" "$MNT"
    fs_del /deleted-resident.txt /deleted-big.txt /削除済み.txt /Documents/old-report.txt \
        /Documents/Letters/draft.txt /Compressed/old.log /Fragmented/interleaved-3.txt
    fs_deltree /OldProject
    fs_restore_dir_times
    fuse_unmount "$MNT"
    finalize "$img" 0 ntfs NTFSTEST ntfs.fls.txt
    "${TOOL[@]}" assemble "$img" "$WORK/out/ntfs.manifest.json" - "0|ntfs|NTFSTEST|$VOLDIR/volume.json"
}

build_exfat() {
    local img="$WORK/exfat.img"
    note "exfat.img"
    begin_volume exfat "2024-01-22 10:15:00"
    truncate -s 16M "$img"
    loop_attach "$img"
    quiet mkfs.exfat -L EXFATTEST "$LOOP"
    MNT="$WORK/mnt-exfat"
    mount_exfat "$LOOP" "$MNT"
    fs_mkdir /Docs /Docs/Work /Docs/Work/2024 /Music /Music/Album /日本語フォルダ /Frag
    fs_put /readme.txt text 401 800
    fs_put /empty.txt text 402 0
    fs_put /日本語のファイル.txt text 403 2500
    fs_put "/Ünïcödé café.txt" text 404 1800
    fs_put "/emoji 😀 name.txt" text 405 600
    fs_put /Music/Album/track01.bin binary 406 8192
    fs_put /Music/Album/liner-notes.txt text 407 100000
    fs_put /Docs/Work/2024/plan.txt text 408 7000
    fs_put /日本語フォルダ/メモ.txt text 409 3000
    fs_put /Frag/part-a.txt text 410 24000
    fs_put /Frag/part-b.txt text 411 12000
    fs_put /Frag/part-c.txt text 412 8000
    fuse_unmount "$MNT"
    snapshot "$img" 0 exfat
    mount_exfat "$LOOP" "$MNT"
    # exfat-fuse allocates from the lowest free cluster: the new file takes
    # part-b's gap and continues after part-c, through a FAT chain.
    fs_del /Frag/part-b.txt
    fs_put /Docs/fragmented.txt text 413 60000
    ledger expect /Docs/fragmented.txt fragmented

    fs_put /deleted.txt text 430 5000
    fs_put /削除.txt text 431 3000
    fs_put /Docs/Work/old.txt text 432 4000
    fs_put /Music/Album/track02.bin binary 433 3000
    fs_mkdir "/Old Folder" "/Old Folder/Sub"
    fs_put "/Old Folder/a.txt" text 434 2000
    fs_put "/Old Folder/b.txt" text 435 6000
    fs_put "/Old Folder/Sub/c.txt" text 436 1000
    fuse_unmount "$MNT"
    snapshot "$img" 0 exfat
    mount_exfat "$LOOP" "$MNT"
    fs_del /deleted.txt /削除.txt /Docs/Work/old.txt /Music/Album/track02.bin
    fs_deltree "/Old Folder"
    fs_restore_dir_times
    fuse_unmount "$MNT"
    loop_detach "$LOOP"
    finalize "$img" 0 exfat EXFATTEST exfat.fls.txt
    "${TOOL[@]}" assemble "$img" "$WORK/out/exfat.manifest.json" - "0|exfat|EXFATTEST|$VOLDIR/volume.json"
}

# Writes a file that is in no manifest: its clusters are there to be reused by
# the next file, so that they held other data before.
fs_put_scratch() {  # PATH SEED SIZE
    "${TOOL[@]}" gen text "$2" "$3" "$MNT$1"
}

# Patches a file's data to be valid for its first N bytes only, as a writer
# that preallocated it leaves it; past N a reader must see zeros.
cut_valid() {  # IMAGE FS PATH N
    "${TOOL[@]}" cut-valid "$1" 0 "$2" "$VOLDIR/snapshot.json" "$3" "$4"
    ledger valid "$3" "$4"
}

build_ntfs_2m() {
    local img="$WORK/ntfs-2m.img"
    note "ntfs-2m.img"
    begin_volume ntfs-2m "2024-05-06 09:00:00"
    # 24 MiB is the least mkntfs takes with 2 MiB clusters; 48 MiB leaves
    # twelve clusters free. Byte 13 of the boot sector becomes 0xF4 (2^12 sectors).
    truncate -s 48M "$img"
    quiet mkntfs -F -Q -T -c 2097152 -s 512 -p 0 -H 255 -S 63 -L NTFS2M "$img"
    [[ $(od -An -tu1 -j13 -N1 "$img" | tr -d ' ') == 244 ]] || die "ntfs-2m: byte 13 is not 0xF4"
    MNT="$WORK/mnt-ntfs-2m"
    mount_ntfs "$img" "$MNT"
    fs_mkdir /Docs /Media
    fs_put /readme.txt text 601 300
    fs_put /Docs/report.txt text 602 40000
    # Two clusters: reads cross a cluster boundary.
    fs_put /Docs/long.txt text 603 2200000
    fs_put /Media/clip.bin binary 604 6000
    fs_put /deleted-resident.txt text 610 400
    fs_put /deleted.txt text 611 30000
    fs_mkdir /Old
    fs_put /Old/gone.txt text 612 2150000
    fuse_unmount "$MNT"
    mount_ntfs "$img" "$MNT"
    fs_del /deleted-resident.txt /deleted.txt
    fs_deltree /Old
    fs_restore_dir_times
    fuse_unmount "$MNT"
    "${TOOL[@]}" plain-finalize "$LEDGER" "$img" 0 ntfs "$VOLDIR/volume.json" NTFS2M
    "${TOOL[@]}" assemble "$img" "$WORK/out/ntfs-2m.manifest.json" - "0|ntfs|NTFS2M|$VOLDIR/volume.json"
}

build_ntfs_initsize() {
    local img="$WORK/ntfs-initsize.img"
    note "ntfs-initsize.img"
    begin_volume ntfs-initsize "2024-05-13 10:30:00"
    truncate -s 4M "$img"
    quiet mkntfs -F -Q -T -c 4096 -s 512 -p 0 -H 255 -S 63 -L NTFSINIT "$img"
    MNT="$WORK/mnt-ntfs-initsize"
    mount_ntfs "$img" "$MNT"
    fs_put_scratch /scratch.txt 700 24000
    fuse_unmount "$MNT"
    mount_ntfs "$img" "$MNT"
    rm "$MNT/scratch.txt"
    fuse_unmount "$MNT"
    mount_ntfs "$img" "$MNT"
    # ntfs-3g gives the scratch file's record and clusters to the next file.
    fs_put /preallocated.txt text 701 20000
    fs_put /intact.txt text 702 9000
    fs_put /deleted-preallocated.txt text 703 12000
    fuse_unmount "$MNT"
    snapshot "$img" 0 ntfs
    mount_ntfs "$img" "$MNT"
    fs_del /deleted-preallocated.txt
    fuse_unmount "$MNT"
    # Not at a sector boundary: the zeros start inside a sector.
    cut_valid "$img" ntfs /preallocated.txt 5000
    cut_valid "$img" ntfs /deleted-preallocated.txt 3000
    finalize "$img" 0 ntfs NTFSINIT ntfs-initsize.fls.txt
    "${TOOL[@]}" assemble "$img" "$WORK/out/ntfs-initsize.manifest.json" - "0|ntfs|NTFSINIT|$VOLDIR/volume.json"
}

build_exfat_512() {
    local img="$WORK/exfat-512.img"
    note "exfat-512.img"
    begin_volume exfat-512 "2024-05-20 14:00:00"
    truncate -s 8M "$img"
    loop_attach "$img"
    quiet mkfs.exfat -c 512 -L EXFAT512 "$LOOP"
    MNT="$WORK/mnt-exfat-512"
    mount_exfat "$LOOP" "$MNT"
    fs_put_scratch /scratch.txt 800 24000
    fuse_unmount "$MNT"
    mount_exfat "$LOOP" "$MNT"
    rm "$MNT/scratch.txt"
    # exfat-fuse allocates from the lowest free cluster: the scratch file's.
    fs_put /preallocated.txt text 801 20000
    fs_mkdir /Docs /Docs/Sub
    fs_put /readme.txt text 802 700
    fs_put /Docs/report.txt text 803 30000
    fs_put /Docs/Sub/note.txt text 804 1500
    fs_put /Docs/picture.bin binary 805 5000
    fs_put /deleted.txt text 810 6000
    fs_mkdir /Old
    fs_put /Old/gone.txt text 811 3000
    fuse_unmount "$MNT"
    snapshot "$img" 0 exfat
    mount_exfat "$LOOP" "$MNT"
    fs_del /deleted.txt
    fs_deltree /Old
    fs_restore_dir_times
    fuse_unmount "$MNT"
    loop_detach "$LOOP"
    cut_valid "$img" exfat /preallocated.txt 5000
    finalize "$img" 0 exfat EXFAT512 exfat-512.fls.txt
    "${TOOL[@]}" assemble "$img" "$WORK/out/exfat-512.manifest.json" - "0|exfat|EXFAT512|$VOLDIR/volume.json"
}

# Partition layout of the sample disk, in 512-byte sectors.
SAMPLE_FAT_START=2048 SAMPLE_FAT_SIZE=69632
SAMPLE_EXT_START=71680
SAMPLE_NTFS_START=73728 SAMPLE_NTFS_SIZE=32768
SAMPLE_EXFAT_START=108544 SAMPLE_EXFAT_SIZE=16384

sample_fat32() {
    local img=$1
    begin_volume sample-p1 "2024-03-04 11:00:00"
    loop_attach "$img" $((SAMPLE_FAT_START * 512)) $((SAMPLE_FAT_SIZE * 512))
    quiet mkfs.fat -F 32 -s 1 -n SAMPLEFAT -h "$SAMPLE_FAT_START" --invariant -i 5a3d0001 "$LOOP"
    FAT_DEV=$LOOP
    fat_mkdir /Photos /Photos/2024 /Documents
    fat_put /README.TXT text 501 1200
    fat_put /Photos/holiday.jpg binary 502 5000
    fat_put /Photos/2024/beach.jpg binary 503 3500
    fat_put /Documents/letter.txt text 504 9000
    fat_put /Documents/家計簿.csv text 505 2400
    fat_put /old-notes.txt text 506 3000
    fat_put /Documents/draft.txt text 507 4500
    fat_mkdir /TEMP
    fat_put /TEMP/cache.tmp text 508 2000
    snapshot "$img" "$SAMPLE_FAT_START" fat32
    fat_del /old-notes.txt /Documents/draft.txt
    fat_deltree /TEMP
    loop_detach "$LOOP"
    finalize "$img" "$SAMPLE_FAT_START" fat32 SAMPLEFAT sample-disk-p1.fls.txt
    cp "$VOLDIR/volume.json" "$WORK/sample-p1.json"
}

sample_ntfs() {
    local img=$1
    begin_volume sample-p5 "2024-03-11 14:20:00"
    loop_attach "$img" $((SAMPLE_NTFS_START * 512)) $((SAMPLE_NTFS_SIZE * 512))
    quiet mkntfs -F -Q -T -c 4096 -s 512 -p "$SAMPLE_NTFS_START" -H 255 -S 63 -L SAMPLENTFS "$LOOP"
    MNT="$WORK/mnt-sample-ntfs"
    mount_ntfs "$LOOP" "$MNT"
    fs_mkdir /Projects /Projects/Archive
    fs_put /readme.txt text 521 350
    fs_put /Projects/plan.txt text 522 16000
    fs_put /Projects/budget.csv text 523 2100
    fs_put /Projects/Archive/2023.txt text 524 600
    fs_put /deleted-root.txt text 525 7000
    fs_put /Projects/old-plan.txt text 526 12000
    fs_put /Projects/Archive/スキャン.bin binary 527 3000
    fuse_unmount "$MNT"
    snapshot "$img" "$SAMPLE_NTFS_START" ntfs
    mount_ntfs "$LOOP" "$MNT"
    fs_del /deleted-root.txt /Projects/old-plan.txt /Projects/Archive/スキャン.bin
    fs_restore_dir_times
    fuse_unmount "$MNT"
    loop_detach "$LOOP"
    finalize "$img" "$SAMPLE_NTFS_START" ntfs SAMPLENTFS sample-disk-p5.fls.txt
    cp "$VOLDIR/volume.json" "$WORK/sample-p5.json"
}

sample_exfat() {
    local img=$1
    begin_volume sample-p6 "2024-03-18 16:40:00"
    loop_attach "$img" $((SAMPLE_EXFAT_START * 512)) $((SAMPLE_EXFAT_SIZE * 512))
    quiet mkfs.exfat -L SAMPLEEXFAT "$LOOP"
    MNT="$WORK/mnt-sample-exfat"
    mount_exfat "$LOOP" "$MNT"
    fs_mkdir /Music /Music/Live
    fs_put /notes.txt text 541 1500
    fs_put /Music/song.bin binary 542 6000
    fs_put /Music/Live/setlist.txt text 543 900
    fs_put /removed.txt text 544 5000
    fs_put /Music/removed-song.bin binary 545 4000
    fuse_unmount "$MNT"
    snapshot "$img" "$SAMPLE_EXFAT_START" exfat
    mount_exfat "$LOOP" "$MNT"
    fs_del /removed.txt /Music/removed-song.bin
    fs_restore_dir_times
    fuse_unmount "$MNT"
    loop_detach "$LOOP"
    finalize "$img" "$SAMPLE_EXFAT_START" exfat SAMPLEEXFAT sample-disk-p6.fls.txt
    cp "$VOLDIR/volume.json" "$WORK/sample-p6.json"
}

build_sample_disk() {
    local img="$WORK/sample-disk.img"
    note "sample-disk.img"
    truncate -s 64M "$img"
    sfdisk -q "$img" <<EOF
label: dos
label-id: 0x5a3d1e07
unit: sectors

start=$SAMPLE_FAT_START, size=$SAMPLE_FAT_SIZE, type=c
start=$SAMPLE_EXT_START, type=f
start=$SAMPLE_NTFS_START, size=$SAMPLE_NTFS_SIZE, type=7
start=$SAMPLE_EXFAT_START, size=$SAMPLE_EXFAT_SIZE, type=7
EOF
    sample_fat32 "$img"
    sample_ntfs "$img"
    sample_exfat "$img"
    sfdisk -J "$img" >"$WORK/sample-table.json"
    mmls "$img" >"$WORK/out/sample-disk.mmls.txt"
    "${TOOL[@]}" assemble "$img" "$WORK/out/sample-disk.manifest.json" "$WORK/sample-table.json" \
        "1|fat32|SAMPLEFAT|$WORK/sample-p1.json" "5|ntfs|SAMPLENTFS|$WORK/sample-p5.json" \
        "6|exfat|SAMPLEEXFAT|$WORK/sample-p6.json"
}

# ntfs-3g removes the $FILE_NAME of a folder whose record carries an attribute list when it
# deletes that folder; the folder's children then name a parent record without a name. The
# folder is the last entry of its parent's index, whose INDX block stays behind as it was.
build_ntfs_nameless() {
    local img="$WORK/ntfs-nameless.img" i
    note "ntfs-nameless.img"
    begin_volume ntfs-nameless "2024-05-06 08:30:00"
    truncate -s 8M "$img"
    quiet mkntfs -F -Q -T -c 4096 -s 512 -p 0 -H 255 -S 63 -L NAMELESS "$img"
    MNT="$WORK/mnt-ntfs-nameless"
    mount_ntfs "$img" "$MNT"
    fs_mkdir /Keep
    # Enough siblings that the parent's index moves out of its record into an INDX block.
    for i in $(seq -w 1 40); do fs_put "/Keep/item-$i.txt" text $((600 + 10#$i)) 120; done
    fs_mkdir "/Keep/Big Folder"
    for i in $(seq -w 1 30); do
        fs_put "/Keep/Big Folder/document-with-a-long-name-$i.txt" text $((700 + 10#$i)) $((500 + 97 * 10#$i))
    done
    # Extended attributes become named streams of the folder's record: with its large index
    # they no longer fit one record, so the folder gets an attribute list.
    for i in 1 2 3 4 5 6 7 8; do
        setfattr -n "user.note$i" -v "$(printf 'note %d %0190d' "$i" 0)" "$MNT/Keep/Big Folder"
    done
    fs_restore_dir_times
    fuse_unmount "$MNT"
    snapshot "$img" 0 ntfs
    mount_ntfs "$img" "$MNT"
    for i in $(seq -w 1 40); do fs_del "/Keep/item-$i.txt"; done
    fs_deltree "/Keep/Big Folder"
    fs_restore_dir_times
    fuse_unmount "$MNT"
    finalize "$img" 0 ntfs NAMELESS ntfs-nameless.fls.txt
    "${TOOL[@]}" assemble "$img" "$WORK/out/ntfs-nameless.manifest.json" - \
        "0|ntfs|NAMELESS|$VOLDIR/volume.json"
}

# Named streams ("file:stream") held in the record and in clusters, of a live file and of a
# deleted one.
build_ntfs_streams() {
    local img="$WORK/ntfs-streams.img" f
    note "ntfs-streams.img"
    begin_volume ntfs-streams "2024-05-13 09:10:00"
    truncate -s 8M "$img"
    quiet mkntfs -F -Q -T -c 4096 -s 512 -p 0 -H 255 -S 63 -L STREAMS "$img"
    MNT="$WORK/mnt-ntfs-streams"
    mount_ntfs_streams "$img" "$MNT"
    fs_mkdir /Streams
    fs_put /Streams/live.txt text 801 2500
    fs_put_stream /Streams/live.txt summary text 802 300
    fs_put_stream /Streams/live.txt thumbnail binary 803 20000
    fs_put /Streams/gone.txt text 804 900
    fs_put_stream /Streams/gone.txt summary text 805 200
    fs_put_stream /Streams/gone.txt thumbnail binary 806 12000
    for f in live gone; do
        ledger expect "/Streams/$f.txt:summary" resident
        ledger expect "/Streams/$f.txt:thumbnail" nonresident
    done
    fs_restore_dir_times
    fuse_unmount "$MNT"
    snapshot "$img" 0 ntfs
    mount_ntfs_streams "$img" "$MNT"
    fs_del /Streams/gone.txt
    fs_restore_dir_times
    fuse_unmount "$MNT"
    finalize "$img" 0 ntfs STREAMS ntfs-streams.fls.txt
    "${TOOL[@]}" assemble "$img" "$WORK/out/ntfs-streams.manifest.json" - \
        "0|ntfs|STREAMS|$VOLDIR/volume.json"
}

# Names a log has to carry whole: brackets, a tab, a line feed, a backslash, "%" and "#", in
# live files and in deleted ones, one of them in a folder with a tab in its name. The Sleuth
# Kit shows a control character as "^".
build_ntfs_names() {
    local img="$WORK/ntfs-names.img" tab=$'\t' lf=$'\n'
    note "ntfs-names.img"
    begin_volume ntfs-names "2024-05-20 10:20:00"
    truncate -s 4M "$img"
    quiet mkntfs -F -Q -T -c 4096 -s 512 -p 0 -H 255 -S 63 -L NAMES "$img"
    MNT="$WORK/mnt-ntfs-names"
    mount_ntfs "$img" "$MNT"
    fs_mkdir "/Odd ]names["
    fs_put "/Odd ]names[/tab${tab}here].txt" text 901 1500
    fs_put "/Odd ]names[/new${lf}line.txt" text 902 700
    fs_put "/Odd ]names[/back\\slash 50% #1.txt" text 903 300
    fs_mkdir "/Tab${tab}folder]"
    fs_put "/Tab${tab}folder]/inner${lf}file].txt" text 904 5000
    fs_put "/Tab${tab}folder]/kept.txt" text 906 400
    fs_put "/gone ]${tab}tab${lf}line.txt" text 905 2500
    fs_restore_dir_times
    fuse_unmount "$MNT"
    snapshot "$img" 0 ntfs
    mount_ntfs "$img" "$MNT"
    fs_del "/gone ]${tab}tab${lf}line.txt" "/Tab${tab}folder]/inner${lf}file].txt"
    fs_restore_dir_times
    fuse_unmount "$MNT"
    finalize "$img" 0 ntfs NAMES ntfs-names.fls.txt
    "${TOOL[@]}" assemble "$img" "$WORK/out/ntfs-names.manifest.json" - \
        "0|ntfs|NAMES|$VOLDIR/volume.json"
}

# Damaged copies of committed images: one byte each, taken from the image in this folder
# (build the base first when it is named too), with the outcome a sound reading gives.
damage_copy() {  # NAME BASE KIND PATH VALUE
    note "$1.img (from $2.img.gz)"
    "${TOOL[@]}" damage-copy "$HERE" "$2" "$1" "$3" "$4" "$5" "$WORK"
    mv "$WORK/$1.manifest.json" "$WORK/out/"
}
# The length becomes 2^40 + 6000 bytes on an 8 MiB volume.
build_exfat_length() { damage_copy exfat-length exfat-512 exfat-length /deleted.txt 0x01; }
# The size becomes 0x2A000FA0 (704 MB) on a 34 MiB volume.
build_fat32_size() { damage_copy fat32-size fat32 fat-size /DELETED.TXT 0x2A; }
# Cluster 137, the last of the file's first run, points back at cluster 133 (0x85) in the
# second FAT.
build_fat16_loop() { damage_copy fat16-loop fat16 fat-loop /Docs/fragmented.txt 0x85; }

# Files to be found by their content alone, into folder $1: SOUND.WAV (ffmpeg), MOVIE.AVI
# (ffmpeg, MJPEG), PICTURE.BMP and KEPT.BMP (ImageMagick), FLASH.SWF, DRAWING.CDR and raw photos
# from imagetool.py, and the samples of carve-samples.tar.gz under 8.3 names (CARVE_WALKED; the
# EXIF JPEG also as KEPT.JPG, and sample $3 as SPAN.JPG); live text files, FILLER.BIN ($2 MiB of
# zeros), HOLE.TXT ($4 bytes, one cluster) and RESERVE.BIN (16 KiB of zeros) to go between them.
carve_samples() {
    local dir=$1 pair sample name
    command -v convert >/dev/null || die "missing tool: convert (Debian package imagemagick)"
    command -v ffmpeg >/dev/null || die "missing tool: ffmpeg (Debian package ffmpeg)"
    rm -rf "$dir"
    mkdir -p "$dir/samples"
    "${TOOL[@]}" gen text 1201 3000 "$dir/LIVE1.TXT"
    "${TOOL[@]}" gen text 1202 2000 "$dir/LIVE2.TXT"
    "${TOOL[@]}" gen text 1203 1500 "$dir/LIVE3.TXT"
    "${TOOL[@]}" gen text 1209 2500 "$dir/LIVE4.TXT"
    "${TOOL[@]}" gen text 1211 1800 "$dir/LIVE5.TXT"
    "${TOOL[@]}" gen text 1210 "$4" "$dir/HOLE.TXT"
    head -c $(($2 * 1024 * 1024)) /dev/zero >"$dir/FILLER.BIN"
    head -c 16384 /dev/zero >"$dir/RESERVE.BIN"
    quiet ffmpeg -nostdin -f lavfi -i "sine=frequency=440:sample_rate=8000:duration=0.4" -ac 1 \
        -bitexact -fflags +bitexact "$dir/SOUND.WAV"
    quiet ffmpeg -nostdin -f lavfi -i "testsrc=size=64x48:rate=4:duration=1" -c:v mjpeg -q:v 12 \
        -bitexact -fflags +bitexact "$dir/MOVIE.AVI"
    quiet convert -size 40x30 gradient:navy-orange "bmp3:$dir/PICTURE.BMP"
    quiet convert -size 24x20 gradient:green-white "bmp3:$dir/KEPT.BMP"
    "${TOOL[@]}" carve-sample swf 1204 "$dir/FLASH.SWF"
    "${TOOL[@]}" carve-sample cdr 1205 "$dir/DRAWING.CDR"
    "${TOOL[@]}" carve-sample cr2 1206 "$dir/PHOTO.CR2"
    "${TOOL[@]}" carve-sample nef 1207 "$dir/PHOTO.NEF"
    "${TOOL[@]}" carve-sample orf 1208 "$dir/PHOTO.ORF"
    tar -xzf "$HERE/carve-samples.tar.gz" -C "$dir/samples"
    for pair in "${CARVE_WALKED[@]}"; do
        IFS='|' read -r sample name _ <<<"$pair"
        cp "$dir/samples/$sample" "$dir/$name"
    done
    cp "$dir/samples/sample-exif.jpg" "$dir/KEPT.JPG"
    cp "$dir/samples/$3" "$dir/SPAN.JPG"
    touch -d "2024-02-03 04:05:06" "$dir"/*.*
}
# The samples of carve-samples.tar.gz: file in the archive, 8.3 name, carving type. The Office
# 2007 documents take three-letter extensions.
CARVE_WALKED=("sample.mp4|MOVIE.MP4|MP4" "sample.mov|MOVIE.MOV|MOV" "sample.3gp|MOVIE.3GP|3GP"
              "sample-mpeg1.mpg|MPEG1.MPG|MPG" "sample-mpeg2.mpg|MPEG2.MPG|MPG" "sample.flv|MOVIE.FLV|FLV"
              "sample.rmvb|MOVIE.RM|RMVB" "sample.png|IMAGE.PNG|PNG" "sample-exif.jpg|EXIF.JPG|JPG"
              "sample-jfif.jpg|JFIF.JPG|JPG" "sample.pdf|PAPER.PDF|PDF" "sample-tags.mp3|TAGS.MP3|MP3"
              "sample-title.mp3|TITLE.MP3|MP3" "sample-plain.mp3|PLAIN.MP3|MP3" "sample.doc|REPORT.DOC|DOC"
              "sample.xls|BUDGET.XLS|XLS" "sample.ppt|SLIDES.PPT|PPT" "sample.vsd|PLAN.VSD|VSD"
              "sample-untitled.vsd|NOTITLE.VSD|VSD" "sample-folder.zip|FOLDER.ZIP|ZIP"
              "sample-file.zip|FILE.ZIP|ZIP" "sample-long-name.zip|LONGNAME.ZIP|ZIP"
              "sample-streamed.zip|STREAMED.ZIP|ZIP" "sample-lo.docx|WRITER.DCX|Office 2007"
              "sample-lo.xlsx|CALC.XLX|Office 2007" "sample-lo.pptx|IMPRESS.PPX|Office 2007"
              "sample-ms.docx|MSWORD.DCX|Office 2007")
carve_walked_names() { local pair name; for pair in "${CARVE_WALKED[@]}"; do IFS='|' read -r _ name _ <<<"$pair"; echo "$name"; done; }
# The order the samples are written in (SPAN.JPG later, into HOLE.TXT's cluster and on after
# LIVE4.TXT), and those deleted afterwards.
mapfile -t CARVE_WALKED_NAMES < <(carve_walked_names)
CARVE_WRITTEN=(LIVE1.TXT SOUND.WAV LIVE2.TXT MOVIE.AVI PICTURE.BMP KEPT.BMP FLASH.SWF DRAWING.CDR
               "${CARVE_WALKED_NAMES[@]:0:14}" LIVE4.TXT "${CARVE_WALKED_NAMES[@]:14}" KEPT.JPG
               RESERVE.BIN PHOTO.CR2 PHOTO.NEF LIVE3.TXT FILLER.BIN PHOTO.ORF HOLE.TXT LIVE5.TXT)
CARVE_DELETED=(SOUND.WAV MOVIE.AVI PICTURE.BMP KEPT.BMP FLASH.SWF DRAWING.CDR "${CARVE_WALKED_NAMES[@]}"
               KEPT.JPG RESERVE.BIN PHOTO.CR2 PHOTO.NEF PHOTO.ORF SPAN.JPG)
# The layout arguments: each deleted sample with its type and what becomes of its entry.
carve_entries() {
    local dir=$1 f pair kind
    for f in "SOUND.WAV|WAV" "MOVIE.AVI|AVI" "PICTURE.BMP|BMP" "FLASH.SWF|SWF" "DRAWING.CDR|CDR" \
        "PHOTO.CR2|CR2" "PHOTO.NEF|NEF" "PHOTO.ORF|ORF"; do
        printf '%s\n' "$f|$dir/${f%%|*}|wipe"
    done
    for pair in "${CARVE_WALKED[@]}"; do
        IFS='|' read -r _ f kind <<<"$pair"
        printf '%s\n' "$f|$kind|$dir/$f|wipe"
    done
    printf '%s\n' "SPAN.JPG|JPG|$dir/SPAN.JPG|span" "KEPT.BMP|BMP|$dir/KEPT.BMP|keep" "KEPT.JPG|JPG|$dir/KEPT.JPG|keep"
}

# The samples written by mtools into the root folder between live files, deleted with mdel,
# then their directory entries taken out, so only their bytes in the free clusters are left.
# KEPT.BMP and KEPT.JPG keep their deleted entries: a reader that lists them must not report
# them again by content. FILLER.BIN puts PHOTO.ORF so late that its 30 MiB rule size runs past
# the end of the volume. SPAN.JPG is written after HOLE.TXT was deleted and the FSInfo sector's
# next-free hint cleared (0xFFFFFFFF, "unknown"), so mtools fills the hole first and writes the
# rest after LIVE5.TXT. RESERVE.BIN leaves a run of free clusters that the manifest names, for
# tests that write files of their own there.
build_carve_fat32() {
    local img="$WORK/carve-fat32.img" dir="$WORK/carve" f entries
    note "carve-fat32.img"
    carve_samples "$dir" 6 sample-jfif.jpg 512
    quiet mkfs.fat -C -F 32 -s 1 -n CARVETEST --invariant -i 32c4a7e0 "$img" $((34 * 1024))
    for f in "${CARVE_WRITTEN[@]}"; do quiet mcopy -m -i "$img" "$dir/$f" "::$f" </dev/null; done
    quiet mdel -i "$img" "::HOLE.TXT" </dev/null
    printf '\xff\xff\xff\xff' | dd of="$img" bs=1 seek=$((512 + 0x1EC)) conv=notrunc status=none
    quiet mcopy -m -i "$img" "$dir/SPAN.JPG" "::SPAN.JPG" </dev/null
    for f in "${CARVE_DELETED[@]}"; do quiet mdel -i "$img" "::$f" </dev/null; done
    mapfile -t entries < <(carve_entries "$dir")
    "${TOOL[@]}" carve-layout "$img" fat32 "$WORK/out/carve-fat32.manifest.json" "${entries[@]}" \
        "RESERVE.BIN|-|$dir/RESERVE.BIN|reserve"
}

# The same through exfat-fuse on a 16 MiB exFAT volume with 4 KiB clusters (which also fills
# HOLE.TXT's cluster first); SPAN.JPG is the EXIF sample, the JFIF one fits in one cluster.
build_carve_exfat() {
    local img="$WORK/carve-exfat.img" dir="$WORK/carve" f entries
    note "carve-exfat.img"
    carve_samples "$dir" 2 sample-exif.jpg 4096
    truncate -s 16M "$img"
    loop_attach "$img"
    quiet mkfs.exfat -c 4096 -L CARVEEXFAT "$LOOP"
    MNT="$WORK/mnt-carve-exfat"
    mount_exfat "$LOOP" "$MNT"
    for f in "${CARVE_WRITTEN[@]}"; do cp -p "$dir/$f" "$MNT/$f"; done
    fuse_unmount "$MNT"
    mount_exfat "$LOOP" "$MNT"
    rm "$MNT/HOLE.TXT"
    fuse_unmount "$MNT"
    mount_exfat "$LOOP" "$MNT"
    cp -p "$dir/SPAN.JPG" "$MNT/SPAN.JPG"
    fuse_unmount "$MNT"
    mount_exfat "$LOOP" "$MNT"
    for f in "${CARVE_DELETED[@]}"; do rm "$MNT/$f"; done
    fuse_unmount "$MNT"
    mapfile -t entries < <(carve_entries "$dir")
    "${TOOL[@]}" carve-layout "$img" exfat "$WORK/out/carve-exfat.manifest.json" "${entries[@]}" \
        "RESERVE.BIN|-|$dir/RESERVE.BIN|reserve"
}

# NTFS: live samples and KEPT.BMP and KEPT.JPG (then deleted) written through ntfs-3g; the other
# samples laid into free clusters that no MFT record points at, as a file whose record was
# reused leaves its data; SPAN.JPG (the EXIF sample) around allocated clusters.
build_carve_ntfs() {
    local img="$WORK/carve-ntfs.img" dir="$WORK/carve" f kind action entries=()
    note "carve-ntfs.img"
    carve_samples "$dir" 2 sample-exif.jpg 4096
    truncate -s 16M "$img"
    quiet mkntfs -F -Q -T -c 4096 -s 512 -p 0 -H 255 -S 63 -L CARVENTFS "$img"
    MNT="$WORK/mnt-carve-ntfs"
    mount_ntfs "$img" "$MNT"
    for f in LIVE1.TXT LIVE2.TXT KEPT.BMP KEPT.JPG LIVE3.TXT FILLER.BIN; do cp -p "$dir/$f" "$MNT/$f"; done
    fuse_unmount "$MNT"
    mount_ntfs "$img" "$MNT"
    rm "$MNT/KEPT.BMP" "$MNT/KEPT.JPG"
    fuse_unmount "$MNT"
    while IFS='|' read -r f kind _ action; do
        [[ $action == wipe ]] && action=lay
        entries+=("$f|$kind|$dir/$f|$action")
    done < <(carve_entries "$dir")
    "${TOOL[@]}" ntfs-lay-free "$img" "$WORK/out/carve-ntfs.manifest.json" "${entries[@]}"
}

# Two folders removed with mdeltree, then their deleted entries taken out of the root
# directory, so that only their clusters in free space remain: /Lost Folder (files and a
# subfolder, each folder in one 512-byte cluster) and /Restore Logs, which holds only the
# names of System Restore's change logs.
build_fat32_lostdir() {
    local img="$WORK/fat32-lostdir.img" line
    note "fat32-lostdir.img"
    begin_volume fat32-lostdir "2023-11-06 11:00:00"
    quiet mkfs.fat -C -F 32 -s 1 -n LOSTDIR --invariant -i 32105d12 "$img" $((34 * 1024))
    FAT_DEV=$img
    fat_mkdir /Kept "/Lost Folder" "/Lost Folder/Sub Folder" "/Restore Logs"
    fat_put /Kept/keep.txt text 1300 1800
    fat_put "/Lost Folder/Report.doc" binary 1301 3000
    fat_put "/Lost Folder/notes.txt" text 1302 1200
    fat_put "/Lost Folder/Budget.csv" text 1303 2600
    fat_put "/Lost Folder/Sub Folder/inner.txt" text 1304 900
    fat_put "/Lost Folder/Sub Folder/Photo.jpg" binary 1305 5000
    fat_put "/Restore Logs/change.log.1" binary 1306 1500
    fat_put "/Restore Logs/change.log.2" binary 1307 700
    fat_put "/Restore Logs/RestorePointSize" binary 1308 8
    ledger expect "/Lost Folder" unlisted
    ledger expect "/Restore Logs" unlisted
    snapshot "$img" 0 fat32
    fat_deltree "/Lost Folder"
    fat_deltree "/Restore Logs"
    while IFS= read -r line; do ledger damage "$line"; done < <("${TOOL[@]}" fat-take-out "$img" "Lost Folder" "Restore Logs")
    finalize "$img" 0 fat32 LOSTDIR fat32-lostdir.fls.txt
    "${TOOL[@]}" assemble "$img" "$WORK/out/fat32-lostdir.manifest.json" - "0|fat32|LOSTDIR|$VOLDIR/volume.json"
}

# Live folders and files whose root entries were then taken out while their chains stay
# allocated: what the lost-chain search of the deleted-file mode turns into lost folders and
# lost files. Ten lost folders (Dir_01 to Dir_10), a lost JPEG, a lost file of random bytes and a
# lost Office 2007 document, told from a ZIP package only by its parts.
build_fat32_lostchains() {
    local img="$WORK/fat32-lostchains.img" line n boxes=()
    note "fat32-lostchains.img"
    begin_volume fat32-lostchains "2023-12-01 09:00:00"
    quiet mkfs.fat -C -F 32 -s 1 -n LOSTCHAIN --invariant -i 32105d13 "$img" $((34 * 1024))
    FAT_DEV=$img
    fat_mkdir /Kept "/Lost Folder" "/Lost Folder/Sub Folder"
    fat_put /Kept/keep.txt text 1400 1500
    fat_put "/Lost Folder/Notes one.txt" text 1401 1300
    fat_put "/Lost Folder/Picture.png" sample:sample.png 0 13034
    fat_put "/Lost Folder/gone.txt" text 1402 600
    fat_put "/Lost Folder/Sub Folder/inner.txt" text 1403 700
    fat_put "/Lost Folder/Sub Folder/Photo.jpg" sample:sample-exif.jpg 0 4521
    fat_put "/Lost Picture.jpg" sample:sample-jfif.jpg 0 757
    fat_put "/Lost Data.bin" binary 1404 3000
    for n in 2 3 4 5 6 7 8 9 10; do
        fat_mkdir "/Box $n"
        fat_put "/Box $n/item $n.txt" text $((1410 + n)) $((200 * n))
        boxes+=("Box $n")
    done
    fat_put "/Lost Report.docx" sample:sample-lo.docx 0 4185
    ledger expect "/Lost Folder" unlisted
    snapshot "$img" 0 fat32
    fat_del "/Lost Folder/gone.txt"
    while IFS= read -r line; do ledger damage "$line"; done < <("${TOOL[@]}" fat-take-out "$img" --live \
        "Lost Folder" "Lost Picture.jpg" "Lost Data.bin" "${boxes[@]}" "Lost Report.docx")
    ledger lost "/Lost Folder" dir
    ledger lost "/Lost Picture.jpg" jpg
    ledger lost "/Lost Data.bin" unknown
    for n in "${boxes[@]}"; do ledger lost "/$n" dir; done
    ledger lost "/Lost Report.docx" docx
    finalize "$img" 0 fat32 LOSTCHAIN fat32-lostchains.fls.txt
    "${TOOL[@]}" assemble "$img" "$WORK/out/fat32-lostchains.manifest.json" - "0|fat32|LOSTCHAIN|$VOLDIR/volume.json"
}

# A raw image (no partition table, no file system) of 3 MiB of zeros: every sample of
# carve-samples.tar.gz and the fixed-size samples, laid 16 sectors apart in the tarball's order,
# the raw photos last (their 30 MiB run past the end); random bytes around a few of them, so the
# start tests see random blocks and the walks past their ends read random bytes.
CARVE_RAW_RANDOM=(sample.mp4 sample.flv sample-exif.jpg sample-plain.mp3 sample-folder.zip SOUND.WAV)
build_carve_raw() {
    local img="$WORK/carve-raw.img" dir="$WORK/carve" f entries=()
    note "carve-raw.img"
    carve_samples "$dir" 0
    tar -xzf "$HERE/carve-samples.tar.gz" -C "$dir"
    mapfile -t entries < <(python3 - "$HERE/carve-samples.manifest.json" "$dir" <<'PY'
import json, sys
for s in json.load(open(sys.argv[1], encoding="utf-8"))["files"]:
    print(f"{s['name']}|{s['type']}|{sys.argv[2]}/{s['name']}" + (f"|carve={s['carveSize']}" if s["carveSize"] != s["size"] else ""))
PY
)
    for f in SOUND.WAV MOVIE.AVI PICTURE.BMP FLASH.SWF DRAWING.CDR; do entries+=("$f|${f#*.}|$dir/$f"); done
    for f in PHOTO.CR2 PHOTO.NEF PHOTO.ORF; do entries+=("$f|${f#*.}|$dir/$f|carve=raw"); done
    # A CR2 starts with a little-endian TIFF header, so it is a NEF by its start as well.
    entries[-3]+="|holds=NEF@0"
    for f in "${!entries[@]}"; do
        if [[ " ${CARVE_RAW_RANDOM[*]} " == *" ${entries[f]%%|*} "* ]]; then entries[f]+="|random=8"; fi
    done
    "${TOOL[@]}" raw-layout "$img" 3M zero 16 "$WORK/out/carve-raw.manifest.json" "${entries[@]}"
}

# Files as check-disk leaves them: FILE0000.CHK ... in the hidden system folder FOUND.000, each
# holding a lost chain's bytes: the PNG and JFIF samples, 64 bytes of the PNG (too short to be
# named), text of no known type, a copy of /SAVED's directory cluster ("." and ".." and two
# files) and the DOC sample (its compound-file directory lies past the first KiB); and
# LOST0000.CHK holding the PDF sample at the top of the root. The ledger's
# expectations give the name each one's content earns it, or the folder it holds.
build_fat32_chk() {
    local img="$WORK/fat32-chk.img" dir="$WORK/chk" sector
    note "fat32-chk.img"
    begin_volume fat32-chk "2024-04-08 07:00:00"
    rm -rf "$dir"
    mkdir -p "$dir"
    tar -xzf "$HERE/carve-samples.tar.gz" -C "$dir" sample.png sample-jfif.jpg sample.pdf sample.doc
    head -c 64 "$dir/sample.png" >"$dir/short.png"
    "${TOOL[@]}" gen text 1400 300 "$dir/plain.txt"
    quiet mkfs.fat -C -F 32 -s 1 -n CHKTEST --invariant -i 32c0ffee "$img" $((34 * 1024))
    FAT_DEV=$img
    fat_mkdir /SAVED
    fat_put /SAVED/INSIDE1.TXT text 1401 1300
    fat_put /SAVED/INSIDE2.TXT binary 1402 700
    snapshot "$img" 0 fat32
    sector=$(python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["/SAVED"]["blocks"][0])' "$VOLDIR/snapshot.json")
    dd if="$img" of="$dir/directory.bin" bs=512 skip="$sector" count=1 status=none
    fat_mkdir /FOUND.000
    quiet mattrib -i "$img" +h +s "::/FOUND.000" </dev/null
    fat_put_copy /FOUND.000/FILE0000.CHK "$dir/sample.png"
    ledger expect /FOUND.000/FILE0000.CHK shownAs=PNG_FILE0000.CHK.PNG
    fat_put_copy /FOUND.000/FILE0001.CHK "$dir/sample-jfif.jpg"
    ledger expect /FOUND.000/FILE0001.CHK shownAs=JPG_FILE0001.CHK.JPG
    fat_put_copy /FOUND.000/FILE0002.CHK "$dir/short.png"
    ledger expect /FOUND.000/FILE0002.CHK shownAs=FILE0002.CHK
    fat_put_copy /FOUND.000/FILE0003.CHK "$dir/directory.bin"
    ledger expect /FOUND.000/FILE0003.CHK holdsFolder=/SAVED
    fat_put_copy /FOUND.000/FILE0004.CHK "$dir/plain.txt"
    ledger expect /FOUND.000/FILE0004.CHK shownAs=FILE0004.CHK
    fat_put_copy /FOUND.000/FILE0005.CHK "$dir/sample.doc"
    ledger expect /FOUND.000/FILE0005.CHK shownAs=DOC_FILE0005.CHK.DOC
    fat_put_copy /LOST0000.CHK "$dir/sample.pdf"
    ledger expect /LOST0000.CHK shownAs=PDF_LOST0000.CHK.PDF
    finalize "$img" 0 fat32 CHKTEST fat32-chk.fls.txt
    "${TOOL[@]}" assemble "$img" "$WORK/out/fat32-chk.manifest.json" - "0|fat32|CHKTEST|$VOLDIR/volume.json"
}

# --------------------------------------------------------------------------
# Recycle bins: an XP "RECYCLER" folder with its INFO2 index and a Vista-on "$RECYCLE.BIN"
# with a per-user folder of $I/$R pairs, both hidden system folders as Windows leaves them.

RECYCLE_SID='S-1-5-21-1004336348-1177238915-682003330-1000'

put_given() {  # PUT_FUNCTION PATH FILE: a file whose bytes imagetool.py wrote
    tick
    touch -d "@$CLOCK" "$3"
    "$1" "$2" "$3"
    ledger given "$2" "$3" "$CLOCK"
}
fat_copy_given() { quiet env SOURCE_DATE_EPOCH="$CLOCK" mcopy -m -i "$FAT_DEV" "$2" "::$1" </dev/null; }
fs_copy_given() { cp -p "$2" "$MNT$1"; }

# $I (version VERSION, naming FORMER) and $R (generated content) of one recycled item.
recycle_pair() {  # PUT_FUNCTION GEN_PUT_FUNCTION FOLDER ID EXT VERSION FORMER KIND SEED SIZE
    local put=$1 gen=$2 dir=$3 id=$4 ext=$5 blob="$VOLDIR/\$I$4$5"
    "$gen" "$dir/\$R$id$ext" "$8" "$9" "${10}"
    ledger recycled "$dir/\$R$id$ext" "$7"
    "${TOOL[@]}" recycle-item "$blob" "$6" "${10}" "$CLOCK" "$7"
    put_given "$put" "$dir/\$I$id$ext" "$blob"
}

# The $RECYCLE.BIN content of both images: a version 2 and a version 1 $I, and a pair that
# was deleted afterwards (the bin emptied of it).
recycle_bin_items() {  # PUT_FUNCTION GEN_PUT_FUNCTION SEED_BASE
    local dir="/\$RECYCLE.BIN/$RECYCLE_SID" s=$3
    recycle_pair "$1" "$2" "$dir" AB12CD .txt 2 'C:\Users\Ann\Documents\report.txt' text $((s + 1)) 5300
    recycle_pair "$1" "$2" "$dir" EF34GH .doc 1 'C:\Users\Ann\Desktop\memo.doc' binary $((s + 2)) 700
    recycle_pair "$1" "$2" "$dir" XY56ZZ .txt 2 'C:\Users\Ann\old notes.txt' text $((s + 3)) 2100
}

build_fat32_recycle() {
    local img="$WORK/fat32-recycle.img" info2="$WORK/vol-fat32-recycle/INFO2" sid="/\$RECYCLE.BIN/$RECYCLE_SID"
    note "fat32-recycle.img"
    begin_volume fat32-recycle "2024-02-05 08:40:00"
    quiet mkfs.fat -C -F 32 -s 1 -n RECYCLE --invariant -i 52525252 "$img" $((34 * 1024))
    FAT_DEV=$img
    fat_mkdir /Docs /RECYCLER "/\$RECYCLE.BIN" "$sid"
    fat_put /Docs/kept.txt text 1401 1800
    fat_put /RECYCLER/Dc1.txt text 1402 2600
    ledger recycled /RECYCLER/Dc1.txt 'C:\Docs\a.txt'
    # Its record names a .txt: the item is no file of that record and keeps its name.
    fat_put /RECYCLER/Dc2.doc binary 1403 900
    fat_put /RECYCLER/Dd7.txt text 1404 1300
    ledger recycled /RECYCLER/Dd7.txt 'D:\Letters\note.txt'
    "${TOOL[@]}" info2 "$info2" "$CLOCK" '1|C|C:\Docs\a.txt|2600' '2|C|C:\Docs\Reports\plan.txt|900' \
        '7|D|D:\Letters\note.txt|1300'
    put_given fat_copy_given /RECYCLER/INFO2 "$info2"
    recycle_bin_items fat_copy_given fat_put 1410
    local dir
    for dir in /RECYCLER "/\$RECYCLE.BIN"; do quiet mattrib -i "$FAT_DEV" +h +s "::$dir" </dev/null; done
    snapshot "$img" 0 fat32
    fat_del "$sid/\$RXY56ZZ.txt" "$sid/\$IXY56ZZ.txt"
    finalize "$img" 0 fat32 RECYCLE fat32-recycle.fls.txt
    "${TOOL[@]}" assemble "$img" "$WORK/out/fat32-recycle.manifest.json" - "0|fat32|RECYCLE|$VOLDIR/volume.json"
}

# ntfs-3g sets a file's Windows attributes through this extended attribute (big-endian).
ntfs_hidden_system() {
    local now
    now=$(getfattr -h -e hex -n system.ntfs_attrib_be --only-values "$MNT$1" | od -An -tx1 | tr -d ' \n')
    setfattr -h -n system.ntfs_attrib_be -v "$(printf '0x%08x' $((0x$now | 0x6)))" "$MNT$1"
}

build_ntfs_recycle() {
    local img="$WORK/ntfs-recycle.img" sid="/\$RECYCLE.BIN/$RECYCLE_SID"
    note "ntfs-recycle.img"
    begin_volume ntfs-recycle "2024-02-06 11:20:00"
    truncate -s 4M "$img"
    quiet mkntfs -F -Q -T -c 4096 -s 512 -p 0 -H 255 -S 63 -L RECYCLE "$img"
    MNT="$WORK/mnt-ntfs-recycle"
    mount_ntfs "$img" "$MNT"
    fs_mkdir /Docs "/\$RECYCLE.BIN" "$sid"
    fs_put /Docs/kept.txt text 1501 1800
    recycle_bin_items fs_copy_given fs_put 1510
    ntfs_hidden_system "/\$RECYCLE.BIN"
    fs_restore_dir_times
    fuse_unmount "$MNT"
    snapshot "$img" 0 ntfs
    mount_ntfs "$img" "$MNT"
    fs_del "$sid/\$RXY56ZZ.txt" "$sid/\$IXY56ZZ.txt"
    fs_restore_dir_times
    fuse_unmount "$MNT"
    finalize "$img" 0 ntfs RECYCLE ntfs-recycle.fls.txt
    "${TOOL[@]}" assemble "$img" "$WORK/out/ntfs-recycle.manifest.json" - \
        "0|ntfs|RECYCLE|$VOLDIR/volume.json"
}

# --------------------------------------------------------------------------
# Documents for the preview: the committed test documents (documents/, made by
# make-documents.sh) three times over: live in /LIVE, deleted from /GONE (their entries and
# clusters left as they were), and in /Carved, whose whole tree was deleted, its root entry
# taken out and its directory sectors zeroed, so that only their content tells of them. /LIVE also holds a text
# file and a ZIP archive.

DOCUMENTS=(english.doc english.docx english.xls english.xlsx english.ppt english.pptx english.pdf
           english-slides.pdf japanese.doc japanese.docx japanese.xls japanese.xlsx japanese.ppt
           japanese.pptx japanese.pdf japanese-slides.pdf)

build_docs_fat32() {
    local img="$WORK/docs-fat32.img" docs="$HERE/documents" dir="$WORK/docs" name line sectors
    note "docs-fat32.img"
    begin_volume docs-fat32 "2024-06-03 09:15:00"
    rm -rf "$dir"
    mkdir -p "$dir"
    cp "$docs/japanese.doc.ref.txt" "$dir/notes.txt"
    (cd "$docs" && zip -q -X "$dir/reports.zip" english.doc.ref.txt japanese.pdf.ref.txt)
    quiet mkfs.fat -C -F 32 -s 1 -n DOCS --invariant -i 0d0c5f32 "$img" $((40 * 1024))
    FAT_DEV=$img
    fat_mkdir /LIVE /GONE /Carved
    for name in "${DOCUMENTS[@]}"; do
        fat_put_copy "/LIVE/$name" "$docs/$name"
        fat_put_copy "/GONE/$name" "$docs/$name"
        fat_put_copy "/Carved/$name" "$docs/$name"
    done
    fat_put_copy /LIVE/notes.txt "$dir/notes.txt"
    fat_put_copy /LIVE/reports.zip "$dir/reports.zip"
    ledger expect /Carved unlisted
    snapshot "$img" 0 fat32
    fat_deltree /Carved
    while IFS= read -r line; do ledger damage "$line"; done < <("${TOOL[@]}" fat-take-out "$img" Carved)
    # Its directory clusters zeroed too, so that no search for lost folders finds them.
    sectors=$(python3 -c 'import json, sys; print(*json.load(open(sys.argv[1]))["/Carved"]["blocks"])' "$VOLDIR/snapshot.json")
    for sector in $sectors; do dd if=/dev/zero of="$img" bs=512 seek="$sector" count=1 conv=notrunc status=none; done
    ledger damage "zeroed the directory sectors of /Carved: $sectors"
    for name in "${DOCUMENTS[@]}"; do fat_del "/GONE/$name"; done
    finalize "$img" 0 fat32 DOCS docs-fat32.fls.txt
    "${TOOL[@]}" assemble "$img" "$WORK/out/docs-fat32.manifest.json" - "0|fat32|DOCS|$VOLDIR/volume.json"
}

# --------------------------------------------------------------------------
# Reformatted and re-created volumes, for the full scan: each old volume is recorded (`former`:
# its files, geometry and The Sleuth Kit's listing) before it is overwritten; the manifest's
# "formerVolumes" then say what of it survived.

# Records the volume's files before it is overwritten; FORMER names the record.
former() {  # IMAGE OFFSET_SECTORS FS LABEL FLS_NAME
    "${TOOL[@]}" former "$LEDGER" "$1" "$2" "$3" "$VOLDIR/snapshot.json" "$WORK/out/$5" "$VOLDIR/former.json" "$4"
    FORMER="$VOLDIR/former.json"
}

# What an old volume holds: folders two levels deep and a dozen files of text and random bytes,
# from a few sectors to many clusters.
former_content() {  # PUT_FUNCTION MKDIR_FUNCTION SEED_BASE
    local put=$1 s=$3
    "$2" /Docs /Docs/Letters /Media /Media/Clips
    "$put" /readme.txt text $((s + 1)) 1800
    "$put" /notes.txt text $((s + 2)) 2600
    "$put" /logbook.txt text $((s + 3)) 70000
    "$put" /Docs/report.txt text $((s + 4)) 24000
    "$put" /Docs/budget.csv text $((s + 5)) 5200
    "$put" /Docs/archive.txt text $((s + 6)) 150000
    "$put" /Docs/Letters/letter-1.txt text $((s + 7)) 3100
    "$put" /Docs/Letters/letter-2.txt text $((s + 8)) 1500
    "$put" /Media/photo.bin binary $((s + 9)) 20000
    "$put" /Media/Clips/clip-1.bin binary $((s + 10)) 30000
    "$put" /Media/Clips/clip-2.bin binary $((s + 11)) 6000
    "$put" /Media/Clips/long-take.txt text $((s + 12)) 300000
}

# The new volume's manifest entry: an empty one, listed by The Sleuth Kit.
new_volume() {  # NAME IMAGE FS LABEL
    begin_volume "$1-new" "2024-08-01 12:00:00"
    finalize "$2" 0 "$3" "$4" "$1.fls.txt"
}

# A FAT32 volume reformatted as NTFS: mkntfs -Q writes its boot sector over the FAT32 one and
# its backup (sector 6), its MFT over the first FAT, and $MFTMirr and $LogFile in the middle,
# inside /Filler.bin; the folders' clusters and the other files stay.
build_fat32_to_ntfs() {
    local img="$WORK/fat32-to-ntfs.img" old
    note "fat32-to-ntfs.img"
    begin_volume fat32-to-ntfs "2024-07-01 08:00:00"
    quiet mkfs.fat -C -F 32 -s 1 -n OLDFAT32 --invariant -i 0f32a7f5 "$img" $((36 * 1024))
    FAT_DEV=$img
    former_content fat_put fat_mkdir 1700
    fat_put /Filler.bin filler 0 $((19 * 1024 * 1024))
    fat_put /Docs/after-filler.txt text 1720 6000
    former "$img" 0 fat32 OLDFAT32 fat32-to-ntfs-former.fls.txt
    old=$FORMER
    quiet mkntfs -F -Q -T -c 4096 -s 512 -p 0 -H 255 -S 63 -L NEWNTFS "$img"
    new_volume fat32-to-ntfs "$img" ntfs NEWNTFS
    "${TOOL[@]}" assemble "$img" "$WORK/out/fat32-to-ntfs.manifest.json" - "0|ntfs|NEWNTFS|$VOLDIR/volume.json" \
        "former|$old|ntfs|NEWNTFS|mkntfs -Q -c 4096 over the whole volume"
}

# An NTFS volume reformatted as FAT32: mkfs.fat writes its reserved sectors, two FATs and root
# cluster over the first 646 KiB, where the MFT starts (cluster 4). 600 empty files in /Spacer
# (in no manifest) take the MFT records that lie there, so those of the files after them
# survive; the files' data lies past the MFT zone.
build_ntfs_to_fat32() {
    local img="$WORK/ntfs-to-fat32.img" old i
    note "ntfs-to-fat32.img"
    begin_volume ntfs-to-fat32 "2024-07-08 08:00:00"
    truncate -s 40M "$img"
    quiet mkntfs -F -Q -T -c 4096 -s 512 -p 0 -H 255 -S 63 -L OLDNTFS "$img"
    MNT="$WORK/mnt-ntfs-to-fat32"
    mount_ntfs "$img" "$MNT"
    mkdir "$MNT/Spacer"
    for ((i = 0; i < 600; i++)); do : >"$MNT/Spacer/$i"; done
    touch -d "@$CLOCK" "$MNT/Spacer" "$MNT"/Spacer/*
    former_content fs_put fs_mkdir 1730
    fs_restore_dir_times
    fuse_unmount "$MNT"
    former "$img" 0 ntfs OLDNTFS ntfs-to-fat32-former.fls.txt
    old=$FORMER
    quiet mkfs.fat -F 32 -s 1 -n NEWFAT32 --invariant -i 7f32a7f5 "$img"
    new_volume ntfs-to-fat32 "$img" fat32 NEWFAT32
    "${TOOL[@]}" assemble "$img" "$WORK/out/ntfs-to-fat32.manifest.json" - "0|fat32|NEWFAT32|$VOLDIR/volume.json" \
        "former|$old|fat32|NEWFAT32|mkfs.fat -F 32 -s 1 over the whole volume"
}

# A populated NTFS volume quick-formatted as NTFS again with 2 KiB clusters: the new MFT (27
# records) starts where the old one did, at byte 16 384, and takes its first records; the old
# files' records (64 on) survive, their data where the new metadata files do not land.
build_ntfs_quick() {
    local img="$WORK/ntfs-quick.img" old
    note "ntfs-quick.img"
    begin_volume ntfs-quick "2024-07-15 08:00:00"
    truncate -s 16M "$img"
    quiet mkntfs -F -Q -T -c 4096 -s 512 -p 0 -H 255 -S 63 -L OLDQUICK "$img"
    MNT="$WORK/mnt-ntfs-quick"
    mount_ntfs "$img" "$MNT"
    former_content fs_put fs_mkdir 1760
    fs_restore_dir_times
    fuse_unmount "$MNT"
    former "$img" 0 ntfs OLDQUICK ntfs-quick-former.fls.txt
    old=$FORMER
    quiet mkntfs -F -Q -T -c 2048 -s 512 -p 0 -H 255 -S 63 -L NEWQUICK "$img"
    new_volume ntfs-quick "$img" ntfs NEWQUICK
    "${TOOL[@]}" assemble "$img" "$WORK/out/ntfs-quick.manifest.json" - "0|ntfs|NEWQUICK|$VOLDIR/volume.json" \
        "former|$old|ntfs|NEWQUICK|mkntfs -Q -c 2048 over the whole volume"
}

# An exFAT volume whose main boot region (sectors 0-11) was zeroed; the backup region (12-23)
# and everything after it stay.
build_exfat_noboot() {
    local img="$WORK/exfat-noboot.img"
    note "exfat-noboot.img"
    begin_volume exfat-noboot "2024-07-22 08:00:00"
    truncate -s 8M "$img"
    loop_attach "$img"
    quiet mkfs.exfat -L NOBOOT "$LOOP"
    MNT="$WORK/mnt-exfat-noboot"
    mount_exfat "$LOOP" "$MNT"
    former_content fs_put fs_mkdir 1790
    fs_restore_dir_times
    fuse_unmount "$MNT"
    loop_detach "$LOOP"
    former "$img" 0 exfat NOBOOT exfat-noboot-former.fls.txt
    dd if=/dev/zero of="$img" bs=512 count=12 conv=notrunc status=none
    "${TOOL[@]}" assemble "$img" "$WORK/out/exfat-noboot.manifest.json" - \
        "former|$FORMER|none||sectors 0 to 11 (the main boot region) zeroed"
}

# An MBR disk whose FAT32 and NTFS partitions were filled, then its partition table deleted and
# made again by sfdisk with one partition over another range, not formatted: the old volumes'
# boot sectors stand at their old starts, outside the new partition's start.
REPART_FAT_START=2048 REPART_FAT_SIZE=69632
REPART_NTFS_START=71680 REPART_NTFS_SIZE=16384
REPART_NEW_START=4096
build_repartitioned() {
    local img="$WORK/repartitioned.img" fat ntfs again
    note "repartitioned.img"
    truncate -s 44M "$img"
    sfdisk -q "$img" <<TABLE
label: dos
label-id: 0x7e9a2d01
unit: sectors

start=$REPART_FAT_START, size=$REPART_FAT_SIZE, type=c
start=$REPART_NTFS_START, size=$REPART_NTFS_SIZE, type=7
TABLE
    begin_volume repartitioned-p1 "2024-07-29 08:00:00"
    loop_attach "$img" $((REPART_FAT_START * 512)) $((REPART_FAT_SIZE * 512))
    quiet mkfs.fat -F 32 -s 1 -n OLDPARTFAT -h "$REPART_FAT_START" --invariant -i 7e9a0001 "$LOOP"
    FAT_DEV=$LOOP
    former_content fat_put fat_mkdir 1820
    loop_detach "$LOOP"
    former "$img" "$REPART_FAT_START" fat32 OLDPARTFAT repartitioned-former-p1.fls.txt
    fat=$FORMER
    begin_volume repartitioned-p2 "2024-07-29 14:00:00"
    loop_attach "$img" $((REPART_NTFS_START * 512)) $((REPART_NTFS_SIZE * 512))
    quiet mkntfs -F -Q -T -c 4096 -s 512 -p "$REPART_NTFS_START" -H 255 -S 63 -L OLDPARTNTFS "$LOOP"
    MNT="$WORK/mnt-repartitioned"
    mount_ntfs "$LOOP" "$MNT"
    former_content fs_put fs_mkdir 1850
    fs_restore_dir_times
    fuse_unmount "$MNT"
    loop_detach "$LOOP"
    former "$img" "$REPART_NTFS_START" ntfs OLDPARTNTFS repartitioned-former-p2.fls.txt
    ntfs=$FORMER
    quiet sfdisk -q --delete "$img"
    sfdisk -q --wipe never --wipe-partitions never "$img" <<TABLE
label: dos
label-id: 0x7e9a2d02
unit: sectors

start=$REPART_NEW_START, type=7
TABLE
    sfdisk -J "$img" >"$WORK/repartitioned-table.json"
    again="partition table deleted and made again (sfdisk) with one partition from sector $REPART_NEW_START"
    "${TOOL[@]}" assemble "$img" "$WORK/out/repartitioned.manifest.json" "$WORK/repartitioned-table.json" \
        "former|$fat|none||$again" "former|$ntfs|none||$again"
}

# A FAT32 volume reformatted by mkfs.fat (which writes only its reserved sectors, FATs and root
# cluster) and then given new files with mtools, for the free-area scan: the new files take the
# clusters after the root, over the old /Docs and /report.txt; the old /OLD.JPG (the EXIF
# sample) stays in free clusters after them, the new /NEW.JPG (the JFIF sample) is allocated.
build_fat32_refilled() {
    local img="$WORK/fat32-refilled.img" dir="$WORK/refilled" old
    note "fat32-refilled.img"
    rm -rf "$dir"
    mkdir -p "$dir"
    tar -xzf "$HERE/carve-samples.tar.gz" -C "$dir" sample-exif.jpg sample-jfif.jpg
    begin_volume fat32-refilled "2024-08-05 08:00:00"
    quiet mkfs.fat -C -F 32 -s 1 -n OLDREFILL --invariant -i 0f32f1e5 "$img" $((34 * 1024))
    FAT_DEV=$img
    fat_mkdir /Docs
    fat_put /Docs/notes.txt text 1901 3000
    fat_put /report.txt text 1902 40000
    fat_put_copy /OLD.JPG "$dir/sample-exif.jpg"
    fat_put /after.txt text 1903 2000
    former "$img" 0 fat32 OLDREFILL fat32-refilled-former.fls.txt
    old=$FORMER
    quiet mkfs.fat -F 32 -s 1 -n NEWREFILL --invariant -i 1f32f1e5 "$img"
    begin_volume fat32-refilled-new "2024-08-12 08:00:00"
    fat_put_copy /NEW.JPG "$dir/sample-jfif.jpg"
    fat_put /letter.txt text 1904 3000
    finalize "$img" 0 fat32 NEWREFILL fat32-refilled.fls.txt
    "${TOOL[@]}" assemble "$img" "$WORK/out/fat32-refilled.manifest.json" - "0|fat32|NEWREFILL|$VOLDIR/volume.json" \
        "former|$old|fat32|NEWREFILL|mkfs.fat -F 32 -s 1 over the whole volume, then new files with mtools"
}

# A disk whose partitions were deleted from its table, at the starts the lost-partition search
# sweeps (sector 63 and cylinder starts, 16 065 sectors apart): FAT32 at 63, NTFS whose first
# sector was then zeroed (its backup in its last sector stays), exFAT, FAT32 whose sector 0
# was zeroed (its backup at sector 6 stays); a FAT16 partition stays in the table.
LOST_FAT32_START=63 LOST_FAT32_SIZE=69632
LOST_NTFS_START=80325 LOST_NTFS_SIZE=16076
LOST_EXFAT_START=112455 LOST_EXFAT_SIZE=16384
LOST_FAT16_START=144585 LOST_FAT16_SIZE=16384
LOST_WIPED_START=176715 LOST_WIPED_SIZE=69632

lost_content() {  # PUT_FUNCTION MKDIR_FUNCTION SEED_BASE
    local put=$1 s=$3
    "$2" /Docs
    "$put" /readme.txt text $((s + 1)) 1800
    "$put" /Docs/report.txt text $((s + 2)) 24000
    "$put" /Docs/photo.bin binary $((s + 3)) 20000
}

lost_fat() {  # IMAGE INDEX START SIZE FAT_BITS LABEL SEED_BASE
    begin_volume "lost-mbr-p$2" "2024-09-02 08:00:00"
    loop_attach "$1" $(($3 * 512)) $(($4 * 512))
    quiet mkfs.fat -F "$5" -s 1 -n "$6" -h "$3" --invariant -i "1057000$2" "$LOOP"
    FAT_DEV=$LOOP
    lost_content fat_put fat_mkdir "$7"
    loop_detach "$LOOP"
}

build_lost_mbr() {
    local img="$WORK/lost-mbr.img" fat32 ntfs exfat wiped how
    note "lost-mbr.img"
    truncate -s $(((LOST_WIPED_START + LOST_WIPED_SIZE) * 512)) "$img"
    lost_fat "$img" 1 "$LOST_FAT32_START" "$LOST_FAT32_SIZE" 32 LOSTFAT32 1900
    former "$img" "$LOST_FAT32_START" fat32 LOSTFAT32 lost-mbr-former-p1.fls.txt
    fat32=$FORMER
    begin_volume lost-mbr-p2 "2024-09-02 10:00:00"
    loop_attach "$img" $((LOST_NTFS_START * 512)) $((LOST_NTFS_SIZE * 512))
    quiet mkntfs -F -Q -T -c 4096 -s 512 -p "$LOST_NTFS_START" -H 255 -S 63 -L LOSTNTFS "$LOOP"
    MNT="$WORK/mnt-lost-ntfs"
    mount_ntfs "$LOOP" "$MNT"
    lost_content fs_put fs_mkdir 1910
    fs_restore_dir_times
    fuse_unmount "$MNT"
    loop_detach "$LOOP"
    former "$img" "$LOST_NTFS_START" ntfs LOSTNTFS lost-mbr-former-p2.fls.txt
    ntfs=$FORMER
    begin_volume lost-mbr-p3 "2024-09-02 12:00:00"
    loop_attach "$img" $((LOST_EXFAT_START * 512)) $((LOST_EXFAT_SIZE * 512))
    quiet mkfs.exfat -L LOSTEXFAT "$LOOP"
    MNT="$WORK/mnt-lost-exfat"
    mount_exfat "$LOOP" "$MNT"
    lost_content fs_put fs_mkdir 1920
    fs_restore_dir_times
    fuse_unmount "$MNT"
    loop_detach "$LOOP"
    former "$img" "$LOST_EXFAT_START" exfat LOSTEXFAT lost-mbr-former-p3.fls.txt
    exfat=$FORMER
    lost_fat "$img" 4 "$LOST_FAT16_START" "$LOST_FAT16_SIZE" 16 LOSTFAT16 1930
    finalize "$img" "$LOST_FAT16_START" fat16 LOSTFAT16 lost-mbr-p1.fls.txt
    cp "$VOLDIR/volume.json" "$WORK/lost-mbr-fat16.json"
    lost_fat "$img" 5 "$LOST_WIPED_START" "$LOST_WIPED_SIZE" 32 LOSTWIPED 1940
    former "$img" "$LOST_WIPED_START" fat32 LOSTWIPED lost-mbr-former-p5.fls.txt
    wiped=$FORMER
    dd if=/dev/zero of="$img" bs=512 seek="$LOST_NTFS_START" count=1 conv=notrunc status=none
    dd if=/dev/zero of="$img" bs=512 seek="$LOST_WIPED_START" count=1 conv=notrunc status=none
    sfdisk -q --wipe never --wipe-partitions never "$img" <<TABLE
label: dos
label-id: 0x1057ab01
unit: sectors

start=$LOST_FAT16_START, size=$LOST_FAT16_SIZE, type=6
TABLE
    sfdisk -J "$img" >"$WORK/lost-mbr-table.json"
    how="not in the partition table"
    "${TOOL[@]}" assemble "$img" "$WORK/out/lost-mbr.manifest.json" "$WORK/lost-mbr-table.json" \
        "1|fat16|LOSTFAT16|$WORK/lost-mbr-fat16.json" "former|$fat32|none||$how" \
        "former|$ntfs|none||$how; its first sector zeroed" "former|$exfat|none||$how" \
        "former|$wiped|none||$how; its sector 0 zeroed"
}

# --------------------------------------------------------------------------

# Each image: the function that builds it into $WORK/NAME.img and the files it leaves in
# $WORK/out. An image is only replaced when it is named on the command line, or when no image
# is named at all.
declare -A BUILDER=(
    [fat16]=build_fat16 [fat32]=build_fat32 [ntfs]=build_ntfs [exfat]=build_exfat
    [sample-disk]=build_sample_disk [ntfs-2m]=build_ntfs_2m [ntfs-initsize]=build_ntfs_initsize
    [exfat-512]=build_exfat_512 [ntfs-nameless]=build_ntfs_nameless [ntfs-streams]=build_ntfs_streams
    [ntfs-names]=build_ntfs_names
    [fat12]=build_fat12 [fat32-wiped]=build_fat32_wiped [fat16-damage]=build_fat16_damage
    [exfat-length]=build_exfat_length [fat32-size]=build_fat32_size [fat16-loop]=build_fat16_loop
    [carve-fat32]=build_carve_fat32 [carve-exfat]=build_carve_exfat [carve-ntfs]=build_carve_ntfs
    [fat32-lostdir]=build_fat32_lostdir [carve-raw]=build_carve_raw [fat32-chk]=build_fat32_chk
    [fat32-recycle]=build_fat32_recycle [ntfs-recycle]=build_ntfs_recycle [fat32-lostchains]=build_fat32_lostchains
    [docs-fat32]=build_docs_fat32 [fat32-to-ntfs]=build_fat32_to_ntfs [ntfs-to-fat32]=build_ntfs_to_fat32
    [ntfs-quick]=build_ntfs_quick [exfat-noboot]=build_exfat_noboot [repartitioned]=build_repartitioned
    [fat32-refilled]=build_fat32_refilled
    [lost-mbr]=build_lost_mbr
)
IMAGE_ORDER=(fat16 fat32 ntfs exfat sample-disk ntfs-2m ntfs-initsize exfat-512 ntfs-nameless ntfs-streams
             ntfs-names fat12 fat32-wiped fat16-damage exfat-length fat32-size fat16-loop carve-fat32 carve-exfat carve-ntfs
             fat32-lostdir carve-raw fat32-chk fat32-recycle ntfs-recycle fat32-lostchains docs-fat32
             fat32-to-ntfs ntfs-to-fat32 ntfs-quick exfat-noboot repartitioned fat32-refilled
             lost-mbr)

main() {
    local names=("$@") name
    ((${#names[@]})) || names=("${IMAGE_ORDER[@]}")
    for name in "${names[@]}"; do
        [[ -n ${BUILDER[$name]+x} ]] || die "no such image: $name (known: ${IMAGE_ORDER[*]})"
    done
    check_tools
    trap cleanup EXIT
    trap 'exit 130' INT TERM HUP
    WORK=$(mktemp -d /tmp/tundrel-images.XXXXXX)
    mkdir -p "$WORK/out"

    for name in "${names[@]}"; do
        "${BUILDER[$name]}"
        gzip -9 -n -c "$WORK/$name.img" >"$WORK/out/$name.img.gz"
        rm -f "$HERE/$name".img.gz "$HERE/$name".manifest.json "$HERE/$name".fls.txt \
            "$HERE/$name"-p*.fls.txt "$HERE/$name"-former*.fls.txt "$HERE/$name".mmls.txt
    done
    cp "$WORK"/out/* "$HERE"/
    "${TOOL[@]}" verify "$HERE"
    note "done; compressed sizes:"
    (cd "$HERE" && du -b ./*.img.gz && du -cb ./*.img.gz | tail -1)
}

main "$@"
