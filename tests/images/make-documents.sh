#!/usr/bin/env bash
# Makes the preview's test documents in documents/: English and Japanese Word, Excel and
# PowerPoint files in both their binary and Open XML forms, and PDFs, all written by LibreOffice
# headless from the flat OpenDocument sources below, with the reference text of each:
#   NAME.ref.txt   LibreOffice's own text export (Writer: plain text; Calc: CSV of every sheet,
#                  one after the other), or pdftotext's (PDFs, and presentations through their
#                  PDF export, since Impress has no text export).
# Needs soffice (libreoffice-writer-nogui, -calc-nogui, -impress-nogui), pdftotext (poppler-utils)
# and a CJK font (fonts-droid-fallback). The documents are committed; run this only to remake them.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
out="$top/documents"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home"  # LibreOffice's profile, kept out of the user's
cd "$work"

ns='xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0" xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2"'

# text LANG: a Writer document with a heading, paragraphs split into styled runs, a tab, a table.
text_document() {
    local body
    if [[ $1 == english ]]; then
        body='<text:h text:outline-level="1">Quarterly recovery report</text:h>
<text:p>The disk was imaged on <text:span text:style-name="B">Monday morning</text:span> before any repair was tried, and every sector that could be read was copied twice.</text:p>
<text:p>Summary<text:tab/>Forty-two folders were found, with their names and times intact.</text:p>
<text:p>Deleted files came back from the master file table; lost partitions were listed from their boot records. The remaining clusters were carved by content, which brought back photographs, spreadsheets and letters that no folder listed anymore.</text:p>
<table:table table:name="Findings"><table:table-column table:number-columns-repeated="2"/>
<table:table-row><table:table-cell><text:p>Volume</text:p></table:table-cell><table:table-cell><text:p>Files recovered</text:p></table:table-cell></table:table-row>
<table:table-row><table:table-cell><text:p>Archive drive</text:p></table:table-cell><table:table-cell><text:p>Eleven hundred</text:p></table:table-cell></table:table-row>
</table:table>
<text:p>Next steps: verify the checksums, export the chosen folders to another disk, and keep the image until the owner confirms.</text:p>'
    else
        body='<text:h text:outline-level="1">復元作業の報告書</text:h>
<text:p>ディスクは<text:span text:style-name="B">月曜日の朝</text:span>に修理の前にイメージとして保存され、読めるセクターはすべて二回ずつコピーされました。</text:p>
<text:p>概要<text:tab/>四十二個のフォルダーが名前と日時を保ったまま見つかりました。</text:p>
<text:p>削除されたファイルはマスター・ファイル・テーブルから戻り、消えたパーティションはブートレコードから一覧にされました。残りのクラスターは内容によって探され、どのフォルダーにも載っていない写真や表や手紙が戻りました。</text:p>
<table:table table:name="結果"><table:table-column table:number-columns-repeated="2"/>
<table:table-row><table:table-cell><text:p>ボリューム</text:p></table:table-cell><table:table-cell><text:p>復元したファイル</text:p></table:table-cell></table:table-row>
<table:table-row><table:table-cell><text:p>保存用ドライブ</text:p></table:table-cell><table:table-cell><text:p>千百個</text:p></table:table-cell></table:table-row>
</table:table>
<text:p>次の作業：チェックサムを確かめ、選んだフォルダーを別のディスクへ書き出し、持ち主が確認するまでイメージを保管します。</text:p>'
    fi
    cat >"$1.fodt" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<office:document $ns office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.text">
<office:automatic-styles><style:style style:name="B" style:family="text"><style:text-properties fo:font-weight="bold"/></style:style></office:automatic-styles>
<office:body><office:text>
$body
</office:text></office:body></office:document>
XML
}

# sheet LANG: a Calc workbook of two sheets with text, numbers, a formula, a Boolean and a merged cell.
sheet_document() {
    if [[ $1 == english ]]; then sheet_words=(Inventory Item Count Price "Hard disk" "Memory card" "Total value" Checked Notes "Merged heading across two columns" "Second sheet text")
    else sheet_words=(在庫 品目 数量 価格 ハードディスク メモリーカード 合計金額 確認済み メモ "二列にまたがる見出し" "二枚目のシートの文字"); fi
    cat >"$1.fods" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<office:document $ns office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:body><office:spreadsheet>
<table:table table:name="${sheet_words[0]}">
<table:table-row><table:table-cell table:number-columns-spanned="2" office:value-type="string"><text:p>${sheet_words[9]}</text:p></table:table-cell><table:covered-table-cell/></table:table-row>
<table:table-row><table:table-cell office:value-type="string"><text:p>${sheet_words[1]}</text:p></table:table-cell><table:table-cell office:value-type="string"><text:p>${sheet_words[2]}</text:p></table:table-cell><table:table-cell office:value-type="string"><text:p>${sheet_words[3]}</text:p></table:table-cell></table:table-row>
<table:table-row><table:table-cell office:value-type="string"><text:p>${sheet_words[4]}</text:p></table:table-cell><table:table-cell office:value-type="float" office:value="12"><text:p>12</text:p></table:table-cell><table:table-cell office:value-type="float" office:value="89.5"><text:p>89.5</text:p></table:table-cell></table:table-row>
<table:table-row><table:table-cell office:value-type="string"><text:p>${sheet_words[5]}</text:p></table:table-cell><table:table-cell office:value-type="float" office:value="40"><text:p>40</text:p></table:table-cell><table:table-cell office:value-type="float" office:value="7.25"><text:p>7.25</text:p></table:table-cell></table:table-row>
<table:table-row><table:table-cell office:value-type="string"><text:p>${sheet_words[6]}</text:p></table:table-cell><table:table-cell/><table:table-cell table:formula="of:=[.B3]*[.C3]+[.B4]*[.C4]" office:value-type="float" office:value="1364"><text:p>1364</text:p></table:table-cell></table:table-row>
<table:table-row><table:table-cell office:value-type="string"><text:p>${sheet_words[7]}</text:p></table:table-cell><table:table-cell office:value-type="boolean" office:boolean-value="true"><text:p>TRUE</text:p></table:table-cell></table:table-row>
</table:table>
<table:table table:name="${sheet_words[8]}">
<table:table-row><table:table-cell office:value-type="string"><text:p>${sheet_words[10]}</text:p></table:table-cell><table:table-cell office:value-type="float" office:value="3"><text:p>3</text:p></table:table-cell></table:table-row>
</table:table>
</office:spreadsheet></office:body></office:document>
XML
}

# slides LANG: an Impress presentation of three slides, each a title and a text body.
slides_document() {
    local s
    if [[ $1 == english ]]; then s=("Recovery plan" "Image the disk before anything else" "Scan the image" "Deleted files, lost folders and carved files" "Export" "Copy the chosen files to another disk")
    else s=("復元の計画" "最初にディスクをイメージとして保存する" "イメージをスキャンする" "削除されたファイルと消えたフォルダーと内容で探したファイル" "書き出し" "選んだファイルを別のディスクへコピーする"); fi
    local pages="" i
    for i in 0 2 4; do
        pages+="<draw:page draw:name=\"p$i\"><draw:frame presentation:class=\"title\" svg:x=\"2cm\" svg:y=\"1cm\" svg:width=\"24cm\" svg:height=\"3cm\"><draw:text-box><text:p>${s[$i]}</text:p></draw:text-box></draw:frame><draw:frame svg:x=\"2cm\" svg:y=\"5cm\" svg:width=\"24cm\" svg:height=\"10cm\"><draw:text-box><text:p>${s[$((i + 1))]}</text:p></draw:text-box></draw:frame></draw:page>"
    done
    cat >"$1.fodp" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<office:document $ns office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.presentation">
<office:body><office:presentation>$pages</office:presentation></office:body></office:document>
XML
}

convert() {  # convert FORMAT FILE
    soffice --headless --convert-to "$1" "$2" >/dev/null 2>&1
}

mkdir -p "$out"
for lang in english japanese; do
    text_document "$lang"; sheet_document "$lang"; slides_document "$lang"
    for format in doc docx pdf; do convert "$format" "$lang.fodt"; done
    for format in xls xlsx; do convert "$format" "$lang.fods"; done
    for format in ppt pptx; do convert "$format" "$lang.fodp"; done
    convert pdf "$lang.fodp" && mv "$lang.pdf" "$lang-slides.pdf" && convert pdf "$lang.fodt"
    for format in doc docx; do
        mkdir -p "ref-$format" && cp "$lang.$format" "ref-$format/"
        (cd "ref-$format" && convert 'txt:Text (encoded):UTF8' "$lang.$format") && mv "ref-$format/$lang.txt" "$lang.$format.ref.txt"
    done
    for format in xls xlsx; do
        mkdir -p "ref-$format" && cp "$lang.$format" "ref-$format/"
        # Token 12 = -1: every sheet to a CSV of its own, NAME-SHEET.csv.
        (cd "ref-$format" && convert 'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1' "$lang.$format")
        local_sheets=("${sheet_words[0]}" "${sheet_words[8]}")
        for sheet in "${local_sheets[@]}"; do cat "ref-$format/$lang-$sheet.csv"; done >"$lang.$format.ref.txt"
    done
    for format in ppt pptx; do
        mkdir -p "ref-$format" && cp "$lang.$format" "ref-$format/"
        (cd "ref-$format" && convert pdf "$lang.$format") && pdftotext -enc UTF-8 "ref-$format/$lang.pdf" "$lang.$format.ref.txt"
    done
    pdftotext -enc UTF-8 "$lang.pdf" "$lang.pdf.ref.txt"
    pdftotext -enc UTF-8 "$lang-slides.pdf" "$lang-slides.pdf.ref.txt"
    cp "$lang".{doc,docx,xls,xlsx,ppt,pptx,pdf} "$lang-slides.pdf" "$lang".*.ref.txt "$lang"-slides.pdf.ref.txt "$out/"
done
ls -l "$out"
