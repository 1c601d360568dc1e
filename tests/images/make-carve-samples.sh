#!/usr/bin/env bash
# Makes the sample files the carving tests look for, each with the real encoder of its format,
# and stores them in carve-samples.tar.gz with carve-samples.manifest.json: per file its size,
# MD5, the size a carve must find (the whole file, or for a PDF up to its last "%%EOF") and the
# name template of its type ("%d": the first sector).
# Needs ffmpeg, ImageMagick (convert), exiftool and Ghostscript (gs). Run from anywhere: bash make-carve-samples.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

video=(-hide_banner -loglevel error -y -f lavfi -i "testsrc=size=96x64:rate=25" -t 1
       -fflags +bitexact -flags +bitexact -map_metadata -1)
ffmpeg "${video[@]}" -c:v libx264 -preset ultrafast -pix_fmt yuv420p -f mp4 sample.mp4
ffmpeg "${video[@]}" -c:v libx264 -preset ultrafast -pix_fmt yuv420p -f mov sample.mov
ffmpeg "${video[@]}" -c:v h263 -s 128x96 -f 3gp sample.3gp
ffmpeg "${video[@]}" -c:v mpeg1video -f mpeg sample-mpeg1.mpg
ffmpeg "${video[@]}" -c:v mpeg2video -f vob sample-mpeg2.mpg
ffmpeg "${video[@]}" -c:v flv -f flv sample.flv
ffmpeg "${video[@]}" -c:v rv20 -f rm sample.rmvb

convert -seed 3 -size 48x48 plasma:fractal -define png:exclude-chunks=date,time sample.png
# EXIF first: exiftool writes APP1 with camera, date, sizes and a thumbnail; the JFIF APP0 goes.
convert -seed 7 -size 160x120 plasma:fractal -quality 80 -strip base.jpg
convert -size 32x24 gradient:red-green -strip thumb.jpg
exiftool -q -overwrite_original -all= -JFIF:all= -Make=TestCam -Model="TC 100" \
    -DateTimeOriginal="2021:06:15 10:20:30" -ModifyDate="2021:06:15 10:20:30" \
    -ExifImageWidth=160 -ExifImageHeight=120 "-ThumbnailImage<=thumb.jpg" base.jpg
mv base.jpg sample-exif.jpg
convert -size 120x90 gradient:green-white -quality 85 sample-jfif.jpg
# ImageMagick's policy here forbids writing PDF; Ghostscript's pdfwrite makes it from PostScript.
printf '%%!PS\n/Helvetica findfont 14 scalefont setfont\n72 720 moveto (Carving sample) show\nshowpage\n' > sample.ps
gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pdfwrite -sOutputFile=sample.pdf sample.ps

python3 - "$here" <<'PY'
import hashlib, json, os, sys, tarfile
here = sys.argv[1]
types = [("sample.mp4", "MP4", "Vedio MP4 %d.mp4"), ("sample.mov", "MOV", "Vedio MOV %d.mov"),
         ("sample.3gp", "3GP", "Vedio 3GP %d.3gp"), ("sample-mpeg1.mpg", "MPG", "Vedio MPG or MPEG %d.mpg"),
         ("sample-mpeg2.mpg", "MPG", "Vedio MPG or MPEG %d.mpg"), ("sample.flv", "FLV", "Vedio FLV %d.flv"),
         ("sample.rmvb", "RMVB", "Vedio RM or RMVB %d.rmvb"), ("sample.png", "PNG", "Picture PNG %d.png"),
         ("sample-exif.jpg", "JPG", "Picture %d.jpg"), ("sample-jfif.jpg", "JPG", "Picture %d.jpg"),
         ("sample.pdf", "PDF", "Adobe PDF %d.pdf")]
def chunk_chain_end(data):
    # RealMedia chunks (four-character id, BE u32 size) from the start; ffmpeg's DATA chunk
    # counts 10 bytes more than it writes, so the chain ends past the file.
    at = 0
    while at + 8 <= len(data):
        size = int.from_bytes(data[at + 4:at + 8], "big")
        if size < 8:
            break
        at += size
    return at

files = []
for name, kind, template in types:
    data = open(name, "rb").read()
    if kind == "PDF":  # ends at its last "%%EOF"; the line break after it is not part of what is found
        carve = data.rindex(b"%%EOF") + 5
    elif kind == "RMVB":
        carve = chunk_chain_end(data)
    else:
        carve = len(data)
    files.append({"name": name, "type": kind, "size": len(data), "md5": hashlib.md5(data).hexdigest(),
                  "carveSize": carve, "carveName": template})
    if name == "sample-exif.jpg":  # the DateTimeOriginal exiftool wrote above
        files[-1]["date"] = "2021-06-15 10:20:30"
with tarfile.open(os.path.join(here, "carve-samples.tar.gz"), "w:gz") as tar:
    for f in files:
        info = tar.gettarinfo(f["name"], arcname=f["name"])
        info.mtime = 0; info.uid = info.gid = 0; info.uname = info.gname = ""
        with open(f["name"], "rb") as handle:
            tar.addfile(info, handle)
with open(os.path.join(here, "carve-samples.manifest.json"), "w") as out:
    json.dump({"files": files}, out, indent=2)
    out.write("\n")
PY
echo "carve-samples: $(ls -l "$here/carve-samples.tar.gz" | awk '{print $5}') bytes"
