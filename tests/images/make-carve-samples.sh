#!/usr/bin/env bash
# Makes the sample files the carving tests look for, each with the real encoder of its format,
# and stores them in carve-samples.tar.gz with carve-samples.manifest.json: per file its size,
# MD5, the size a carve must find (the whole file, for a PDF up to its last "%%EOF", for a
# compound document the estimate its header's sector counts give) and the name template of its
# type ("%d": the first sector) or, for types named from the content, the name itself (a running
# count in it starts at 1).
# Groups: media (ffmpeg, ImageMagick (convert), exiftool, Ghostscript (gs)) and office
# (LibreOffice's soffice, python3, Info-ZIP zip, ImageMagick). Only the groups named are made
# again; the archive keeps the other groups' files as they are.
# Run from anywhere: bash make-carve-samples.sh [media] [office]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
groups=("$@")
[[ $# -gt 0 ]] || groups=(media office)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
wants() { [[ " ${groups[*]} " == *" $1 "* ]]; }

if wants media; then
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
fi

if wants office; then
# Flat ODF sources with a title; LibreOffice writes them as compound documents. The VSD comes
# from write_vsd below: LibreOffice reads Visio drawings but does not write them.
cat > doc.fodt <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:dc="http://purl.org/dc/elements/1.1/" office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.text">
<office:meta><dc:title>Récolte report</dc:title></office:meta>
<office:body><office:text><text:p>Carving sample: a Word document.</text:p></office:text></office:body>
</office:document>
XML
cat > xls.fods <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:dc="http://purl.org/dc/elements/1.1/" office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:meta><dc:title>Budget été</dc:title></office:meta>
<office:body><office:spreadsheet><table:table table:name="Sheet1"><table:table-row><table:table-cell><text:p>Carving</text:p></table:table-cell><table:table-cell><text:p>42</text:p></table:table-cell></table:table-row></table:table></office:spreadsheet></office:body>
</office:document>
XML
cat > ppt.fodp <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" xmlns:dc="http://purl.org/dc/elements/1.1/" office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.presentation">
<office:meta><dc:title>Slides</dc:title></office:meta>
<office:body><office:presentation><draw:page draw:name="page1"><draw:frame svg:x="2cm" svg:y="2cm" svg:width="10cm" svg:height="3cm"><draw:text-box><text:p>Carving sample</text:p></draw:text-box></draw:frame></draw:page></office:presentation></office:body>
</office:document>
XML
export HOME="$work/home"  # LibreOffice's profile, kept out of the user's
for pair in doc.fodt:doc xls.fods:xls ppt.fodp:ppt; do
    soffice --headless --convert-to "${pair#*:}" "${pair%%:*}" >/dev/null
done
mv doc.doc sample.doc; mv xls.xls sample.xls; mv ppt.ppt sample.ppt

python3 - <<'PY'
# write_vsd: a minimal compound file of 512-byte sectors holding a "VisioDocument" stream and,
# when titled, a summary-information property set whose title is a VT_LPWSTR. Sectors: 0 FAT,
# 1 directory, 2 mini FAT, then the mini stream (the summary information), then the drawing.
import struct
FREE, END, FATSECT, NONE = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD, 0xFFFFFFFF

def summary(title):
    text = (title + "\0").encode("utf-16-le")
    props = [struct.pack("<IHH", 2, 1200, 0),  # code page: VT_I2 1200
             struct.pack("<II", 0x1F, len(text) // 2) + text + b"\0" * (-len(text) % 4)]  # title: VT_LPWSTR
    at = 8 + 8 * len(props)
    table, body = b"", b""
    for pid, prop in zip((1, 2), props):
        table += struct.pack("<II", pid, at + len(body)); body += prop
    section = struct.pack("<II", 8 + len(table) + len(body), len(props)) + table + body
    fmtid = bytes.fromhex("e0859ff2f94f6810ab9108002b27b3d9")
    return struct.pack("<HHI16sI", 0xFFFE, 0, 0x00020006, b"\0" * 16, 1) + fmtid + struct.pack("<I", 48) + section

def entry(name, kind, start, size, child=NONE, right=NONE):
    raw = name.encode("utf-16-le") + b"\0\0"
    return (raw.ljust(64, b"\0") + struct.pack("<HBBIII", len(raw), kind, 1, NONE, right, child) + b"\0" * 36
            + struct.pack("<III", start, size, 0))

def write_vsd(path, title):
    drawing = b"Visio (TM) Drawing\r\n".ljust(4608, b"\0")  # above the mini-stream cutoff
    mini = summary(title) if title else b""
    mini_sectors = -(-len(mini) // 512)
    drawing_at = 3 + mini_sectors
    fat = [FATSECT, END, END] + [i + 1 for i in range(3, drawing_at - 1)] + ([END] if mini_sectors else [])
    fat += [drawing_at + i + 1 for i in range(8)] + [END]
    fat += [FREE] * (128 - len(fat))
    mini_fat = [i + 1 for i in range(-(-len(mini) // 64) - 1)] + ([END] if mini else [])
    mini_fat += [FREE] * (128 - len(mini_fat))
    entries = [entry("Root Entry", 5, 3 if mini else END, len(mini), child=1),
               entry("VisioDocument", 2, drawing_at, len(drawing), right=2 if mini else NONE)]
    if mini:
        entries.append(entry("\x05SummaryInformation", 2, 0, len(mini)))
    directory = b"".join(entries).ljust(512, b"\0")
    header = (bytes.fromhex("d0cf11e0a1b11ae1") + b"\0" * 16 + struct.pack("<HHHHH", 0x3E, 3, 0xFFFE, 9, 6) + b"\0" * 6
              + struct.pack("<IIIIIIIII", 0, 1, 1, 0, 4096, 2, 1, END, 0) + struct.pack("<109I", 0, *[FREE] * 108))
    with open(path, "wb") as out:
        out.write(header + struct.pack("<128I", *fat) + directory + struct.pack("<128I", *mini_fat)
                  + mini.ljust(mini_sectors * 512, b"\0") + drawing)

write_vsd("sample.vsd", "Plan d'étage")
write_vsd("sample-untitled.vsd", None)
PY

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
fi

python3 - "$here" <<'PY'
import hashlib, json, os, struct, sys, tarfile
here = sys.argv[1]
media = [("sample.mp4", "MP4", "Vedio MP4 %d.mp4"), ("sample.mov", "MOV", "Vedio MOV %d.mov"),
         ("sample.3gp", "3GP", "Vedio 3GP %d.3gp"), ("sample-mpeg1.mpg", "MPG", "Vedio MPG or MPEG %d.mpg"),
         ("sample-mpeg2.mpg", "MPG", "Vedio MPG or MPEG %d.mpg"), ("sample.flv", "FLV", "Vedio FLV %d.flv"),
         ("sample.rmvb", "RMVB", "Vedio RM or RMVB %d.rmvb"), ("sample.png", "PNG", "Picture PNG %d.png"),
         ("sample-exif.jpg", "JPG", "Picture %d.jpg"), ("sample-jfif.jpg", "JPG", "Picture %d.jpg"),
         ("sample.pdf", "PDF", "Adobe PDF %d.pdf"),
         ("sample-tags.mp3", "MP3", "SeaSong_TheBand_Live.mp3"), ("sample-title.mp3", "MP3", "OnlyTitle.mp3"),
         ("sample-plain.mp3", "MP3", "MP3_1.mp3")]
# The compound documents, named after the titles set above (the PPT name never uses it).
office = [("sample.doc", "DOC", "Récolte report %d.doc"), ("sample.xls", "XLS", "Budget été_%d.xls"),
          ("sample.ppt", "PPT", "Point %d.ppt"), ("sample.vsd", "VSD", "Plan d'étage %d.vsd"),
          ("sample-untitled.vsd", "VSD", "Visio %d.vsd")]
# The archives, also made by the office group.
archives = [("sample-folder.zip", "ZIP", "photos.zip"), ("sample-file.zip", "ZIP", "a.zip"),
            ("sample-long-name.zip", "ZIP", "ZIP 1.zip"), ("sample-streamed.zip", "ZIP", "a.zip"),
            ("sample-lo.docx", "Office 2007", "DOCX %d.docx"), ("sample-lo.xlsx", "Office 2007", "XLSX %d.xlsx"),
            ("sample-lo.pptx", "Office 2007", "PPTX %d.pptx"), ("sample-ms.docx", "Office 2007", "DOCX %d.docx")]

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

def compound_estimate(data):
    # 128 sectors per FAT sector, 2^(mini-sector shift) / 4 per mini-FAT sector, in bytes.
    shift, = struct.unpack_from("<H", data, 0x20)
    power = 1 << shift if shift <= 9 else 64
    fat, = struct.unpack_from("<I", data, 0x2C)
    mini_fat, = struct.unpack_from("<I", data, 0x40)
    return (fat * 128 + mini_fat * power // 4) * 512

old_manifest = os.path.join(here, "carve-samples.manifest.json")
kept = json.load(open(old_manifest))["files"] if os.path.exists(old_manifest) else []
files = []
for name, kind, template in media + office + archives:
    if not os.path.exists(name):  # a group not made this time: the archive's copy stays
        entry = next((f for f in kept if f["name"] == name), None)
        if entry is None:
            sys.exit(f"{name}: neither made nor in the archive")
        with tarfile.open(os.path.join(here, "carve-samples.tar.gz")) as tar:
            tar.extract(name, filter="data")
        files.append(entry)
        continue
    data = open(name, "rb").read()
    if kind == "PDF":  # ends at its last "%%EOF"; the line break after it is not part of what is found
        carve = data.rindex(b"%%EOF") + 5
    elif kind == "RMVB":
        carve = chunk_chain_end(data)
    elif kind in ("DOC", "XLS", "PPT", "VSD"):
        carve = compound_estimate(data)
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
with open(old_manifest, "w") as out:
    json.dump({"files": files}, out, indent=2, ensure_ascii=False)
    out.write("\n")
PY
echo "carve-samples: $(ls -l "$here/carve-samples.tar.gz" | awk '{print $5}') bytes"
