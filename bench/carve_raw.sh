#!/usr/bin/env bash
# Times carving over a 1 GiB raw image of pseudo-random bytes holding the carving samples at
# known sectors: our dispatcher (carve_sweep: default types, read in 64 KiB pieces as a carving
# pass reads, writing nothing; and again with every type on), foremost (its default types),
# PhotoRec (every type) and `cat` of the image as the floor. Reports the median of ROUNDS runs
# each, round by round in the same run, and how many laid files each gives back byte for byte.
#
#   bench/carve_raw.sh [COPIES] [ROUNDS]
#
# The image holds COPIES (default 6) copies of every file laid in tests/images/carve-raw.img
# (35 files: the sample tarball and the fixed-size samples), spread evenly over the image by
# `imagetool.py raw-layout`. A find is byte-exact when its bytes have the MD5 of a laid file
# (each laid copy counted once): foremost's and PhotoRec's output files are hashed, ours are
# read from the image at the find's sector and size. Installs foremost and testdisk (PhotoRec)
# with apt-get when they are missing (root). SWEEP names the carve_sweep binary (default:
# build/bench/carve_sweep, built with -DTUNDREL_BENCH=ON). KEEP_IMAGE=1 keeps the work folder.
set -euo pipefail

copies=${1:-6}
rounds=${2:-3}
repo=$(cd "$(dirname "$0")/.." && pwd)
images=$repo/tests/images
sweep=${SWEEP:-$repo/build/bench/carve_sweep}

if ! command -v foremost >/dev/null || ! command -v photorec >/dev/null; then
    [ "$(id -u)" -eq 0 ] || { echo "carve_raw.sh: foremost or photorec is missing; run as root to install them" >&2; exit 2; }
    apt-get install -y -q foremost testdisk >/dev/null
fi
for tool in python3 openssl foremost photorec md5sum "$sweep"; do
    command -v "$tool" >/dev/null || { echo "carve_raw.sh: '$tool' is missing" >&2; exit 2; }
done

work=$(mktemp -d /tmp/tundrel-carve-bench.XXXXXX)
cleanup() { if [ "${KEEP_IMAGE:-0}" = 1 ]; then echo "work folder kept: $work"; else rm -rf "$work"; fi; }
trap cleanup EXIT
image=$work/raw.img
manifest=$work/raw.manifest.json

# The laid files of carve-raw.img, cut out of it by its manifest, then laid COPIES times each.
gzip -dc "$images/carve-raw.img.gz" >"$work/carve-raw.img"
mkdir -p "$work/files"
mapfile -t entries < <(python3 - "$images/carve-raw.manifest.json" "$work/carve-raw.img" "$work/files" "$copies" <<'PY'
import json, os, sys
manifest, source, folder, copies = json.load(open(sys.argv[1], encoding="utf-8")), sys.argv[2], sys.argv[3], int(sys.argv[4])
with open(source, "rb") as f:
    for laid in manifest["carved"]:
        f.seek(laid["sector"] * 512)
        with open(os.path.join(folder, laid["name"]), "wb") as out:
            out.write(f.read(laid["size"]))
for copy in range(copies):
    for laid in manifest["carved"]:
        carve = "raw" if laid["type"] in ("CR2", "NEF", "ORF") else laid["carvedSize"]
        print(f"{copy}/{laid['name']}|{laid['type']}|{folder}/{laid['name']}|carve={carve}")
PY
)
python3 "$images/imagetool.py" raw-layout "$image" 1G random spread "$manifest" "${entries[@]}"
rm -f "$work/carve-raw.img"

# Prints the seconds of one run of the command, its output thrown away.
source "$(dirname "$0")/timing.sh"

run_tundrel() { "$sweep" "$image" >"$work/tundrel.txt"; }
# The same with every type on, the default-off PDF, BMP and SWF included: not timed against the
# peers' defaults, shown for its finds.
run_tundrel_all() { "$sweep" --all "$image" >"$work/tundrel_all.txt"; }
run_foremost() { rm -rf "$work/foremost"; foremost -Q -i "$image" -o "$work/foremost"; }
run_photorec() { photorec_search "$image" "$work"; }
run_cat() { cat "$image" >/dev/null; }

# Every run reads the image from the page cache: warm it first.
run_cat
declare -A times=()
tools=(tundrel tundrel_all foremost photorec cat)
for ((round = 1; round <= rounds; round++)); do
    line="round $round:"
    for tool in "${tools[@]}"; do
        t=$(seconds "run_$tool")
        times[$tool]+="$t "
        line+=" $tool $t s,"
    done
    echo "${line%,}"
done

# Byte-exact finds of the last round's outputs: the MD5 of each output file, ours read from
# the image at each find's sector and size (cut at the end of the image).
find "$work/foremost" -type f ! -name audit.txt -exec md5sum {} + | cut -d' ' -f1 >"$work/foremost.md5"
find "$work"/photorec.[0-9]* -type f ! -name report.xml -exec md5sum {} + | cut -d' ' -f1 >"$work/photorec.md5"
python3 - "$image" "$work/tundrel" "$work/tundrel_all" <<'PY'
import hashlib, os, sys
image = sys.argv[1]
end = os.path.getsize(image)
with open(image, "rb") as f:
    for finds in sys.argv[2:]:
        with open(finds + ".txt") as rows, open(finds + ".md5", "w") as sums:
            for row in rows:
                _, sector, size = row.rstrip("\n").split("\t")
                f.seek(int(sector) * 512)
                sums.write(hashlib.md5(f.read(min(int(size), end - int(sector) * 512))).hexdigest() + "\n")
PY
# Laid files whose MD5 an output has, each laid copy counted once.
exact() {
    python3 - "$manifest" "$1" <<'PY'
import collections, json, sys
laid = collections.Counter(entry["md5"] for entry in json.load(open(sys.argv[1], encoding="utf-8"))["carved"])
found = collections.Counter(line.strip() for line in open(sys.argv[2]) if line.strip())
print(sum(min(count, found[md5]) for md5, count in laid.items()))
PY
}
laid=$(python3 -c 'import json, sys; print(len(json.load(open(sys.argv[1]))["carved"]))' "$manifest")
echo
echo "1 GiB of pseudo-random bytes, $laid files laid; median of $rounds runs, page cache warm"
printf '%-12s %10s %12s %8s\n' tool seconds byte-exact outputs
for tool in "${tools[@]}"; do
    finds=- outputs=-
    if [ "$tool" != cat ]; then
        finds="$(exact "$work/$tool.md5")/$laid"
        outputs=$(wc -l <"$work/$tool.md5")
    fi
    printf '%-12s %10s %12s %8s\n' "$tool" "$(printf '%s\n' ${times[$tool]} | median)" "$finds" "$outputs"
done
