#!/usr/bin/env bash
# Makes the sample files the carving tests look for, each with the real encoder of its format,
# and stores them in carve-samples.tar.gz with carve-samples.manifest.json: per file its size,
# MD5, the size a carve must find (the whole file, or for a PDF up to its last "%%EOF") and the
# name template of its type ("%d": the first sector) or, for types named from the content, the
# name itself (a running count in it starts at 1).
# Needs ffmpeg, ImageMagick (convert), exiftool, Ghostscript (gs), Info-ZIP zip and LibreOffice
# (soffice). Run from anywhere: bash make-carve-samples.sh
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

# MP3 at 128 kbit/s and 48 kHz: every frame 144000 * 128 / 48000 = 384 bytes, no padding. Tags
# as ID3 version 2.3; one also ends with an ID3 version 1 tag.
audio=(-hide_banner -loglevel error -y -f lavfi -i "sine=frequency=440:sample_rate=48000" -t 0.5
       -fflags +bitexact -flags +bitexact -map_metadata -1 -c:a libmp3lame -b:a 128k -ar 48000)
ffmpeg "${audio[@]}" -id3v2_version 3 -metadata title="Sea Song?" -metadata artist="The: Band" -metadata album="Live" sample-tags.mp3
ffmpeg "${audio[@]}" -id3v2_version 3 -write_id3v1 1 -metadata title="Only Title" sample-title.mp3
ffmpeg "${audio[@]}" -id3v2_version 0 sample-plain.mp3

# ZIP archives named after their first entry: a folder, a top-level file, and a first entry whose
# name is too long to name the archive (numbered by the running count, 1 in a fresh run).
mkdir -p photos && convert -size 16x16 gradient:blue-white photos/beach.jpg
printf 'carving sample\n%.0s' {1..40} > notes.txt
cp photos/beach.jpg a.jpg
long=$(printf 'n%.0s' {1..60}).txt && cp notes.txt "$long"
zip -q -X -r sample-folder.zip photos notes.txt
zip -q -X sample-file.zip a.jpg notes.txt
zip -q -X sample-long-name.zip "$long" a.jpg
# Streamed entries: flag bit 3, sizes 0 in the local headers, each followed by a data descriptor.
zip -q -X -fd sample-streamed.zip a.jpg notes.txt photos/beach.jpg
# Office 2007 documents as LibreOffice writes them ("_rels/.rels" first, every entry streamed).
printf 'Carving sample\n' > document.txt && printf 'a,b\n1,2\n' > sheet.csv
cat > slides.fodp <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.presentation">
<office:body><office:presentation><draw:page draw:name="p1"><draw:frame svg:x="2cm" svg:y="2cm" svg:width="10cm" svg:height="2cm"><draw:text-box><text:p>Carving sample</text:p></draw:text-box></draw:frame></draw:page></office:presentation></office:body></office:document>
XML
for input in document.txt:docx sheet.csv:xlsx slides.fodp:pptx; do
    soffice --headless --convert-to "${input#*:}" "${input%:*}" >/dev/null 2>&1
done
mv document.docx sample-lo.docx && mv sheet.xlsx sample-lo.xlsx && mv slides.pptx sample-lo.pptx
# A word-processing package in Microsoft's member order: "[Content_Types].xml" first, then the
# package relationships, the document properties and the document part, each stored with its sizes.
python3 - <<'PY'
import zipfile
ct = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
      '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
      '<Default Extension="xml" ContentType="application/xml"/>'
      '<Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/>'
      '<Override PartName="/docProps/core.xml" ContentType="application/vnd.openxmlformats-package.core-properties+xml"/></Types>')
rels = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/>'
        '<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties" Target="docProps/core.xml"/></Relationships>')
core = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<cp:coreProperties xmlns:cp="http://schemas.openxmlformats.org/package/2006/metadata/core-properties" '
        'xmlns:dc="http://purl.org/dc/elements/1.1/"><dc:title>Carving sample</dc:title></cp:coreProperties>')
doc = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">'
       '<w:body>' + '<w:p><w:r><w:t>Carving sample</w:t></w:r></w:p>' * 40 + '</w:body></w:document>')
with zipfile.ZipFile("sample-ms.docx", "w", zipfile.ZIP_DEFLATED) as package:
    for name, text in [("[Content_Types].xml", ct), ("_rels/.rels", rels), ("docProps/core.xml", core), ("word/document.xml", doc)]:
        package.writestr(zipfile.ZipInfo(name, (1980, 1, 1, 0, 0, 0)), text, zipfile.ZIP_DEFLATED)
PY

python3 - "$here" <<'PY'
import hashlib, json, os, sys, tarfile
here = sys.argv[1]
types = [("sample.mp4", "MP4", "Vedio MP4 %d.mp4"), ("sample.mov", "MOV", "Vedio MOV %d.mov"),
         ("sample.3gp", "3GP", "Vedio 3GP %d.3gp"), ("sample-mpeg1.mpg", "MPG", "Vedio MPG or MPEG %d.mpg"),
         ("sample-mpeg2.mpg", "MPG", "Vedio MPG or MPEG %d.mpg"), ("sample.flv", "FLV", "Vedio FLV %d.flv"),
         ("sample.rmvb", "RMVB", "Vedio RM or RMVB %d.rmvb"), ("sample.png", "PNG", "Picture PNG %d.png"),
         ("sample-exif.jpg", "JPG", "Picture %d.jpg"), ("sample-jfif.jpg", "JPG", "Picture %d.jpg"),
         ("sample.pdf", "PDF", "Adobe PDF %d.pdf"),
         ("sample-folder.zip", "ZIP", "photos.zip"), ("sample-file.zip", "ZIP", "a.zip"),
         ("sample-long-name.zip", "ZIP", "ZIP 1.zip"), ("sample-streamed.zip", "ZIP", "a.zip"),
         ("sample-lo.docx", "Office 2007", "DOCX %d.docx"), ("sample-lo.xlsx", "Office 2007", "XLSX %d.xlsx"),
         ("sample-lo.pptx", "Office 2007", "PPTX %d.pptx"), ("sample-ms.docx", "Office 2007", "DOCX %d.docx"),
         ("sample-tags.mp3", "MP3", "SeaSong_TheBand_Live.mp3"), ("sample-title.mp3", "MP3", "OnlyTitle.mp3"),
         ("sample-plain.mp3", "MP3", "MP3_1.mp3")]
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
