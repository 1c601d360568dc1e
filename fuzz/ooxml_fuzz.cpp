// The Word, PowerPoint and Excel Open XML readers over arbitrary bytes. Input that starts like
// a ZIP package is read as one; any other input is cut at its zero bytes into the XML members
// the readers look for, which are packed into a stored package with good checksums, so that the
// XML scanning is reached without the fuzzer having to forge CRC-32s. A grid cell may only name
// a style the workbook has, or style 0.

#include <zlib.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string_view>
#include <vector>

#include "preview/docx_text.h"
#include "preview/pptx_text.h"
#include "preview/xlsx_workbook.h"

using namespace tundrel;

namespace {

constexpr std::array<std::string_view, 10> kMembers{
    "word/document.xml",    "docProps/app.xml",      "ppt/slides/slide1.xml",    "ppt/slides/slide2.xml",
    "xl/sharedStrings.xml", "xl/workbook.xml",       "xl/styles.xml",            "xl/worksheets/sheet1.xml",
    "xl/worksheets/sheet2.xml", "ppt/slides/slide3.xml"};

void Put(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void Put(std::vector<std::uint8_t>& out, std::string_view text) { out.insert(out.end(), text.begin(), text.end()); }

std::vector<std::uint8_t> StoredPackage(std::span<const std::uint8_t> input) {
    std::vector<std::uint8_t> zip;
    std::vector<std::uint8_t> directory;
    std::size_t start = 0;
    std::uint16_t count = 0;
    for (std::string_view name : kMembers) {
        if (start > input.size()) break;
        std::size_t end = start;
        while (end < input.size() && input[end] != 0) ++end;
        const std::span<const std::uint8_t> data = input.subspan(start, end - start);
        const auto crc = static_cast<std::uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size())));
        const auto size = static_cast<std::uint32_t>(data.size());
        const auto offset = static_cast<std::uint32_t>(zip.size());
        Put(zip, 0x04034B50, 4);
        Put(zip, 20, 2), Put(zip, 0, 2), Put(zip, 0, 2), Put(zip, 0, 4);
        Put(zip, crc, 4), Put(zip, size, 4), Put(zip, size, 4), Put(zip, static_cast<std::uint32_t>(name.size()), 2);
        Put(zip, 0, 2), Put(zip, name);
        zip.insert(zip.end(), data.begin(), data.end());
        Put(directory, 0x02014B50, 4);
        Put(directory, 20, 2), Put(directory, 20, 2), Put(directory, 0, 2), Put(directory, 0, 2), Put(directory, 0, 4);
        Put(directory, crc, 4), Put(directory, size, 4), Put(directory, size, 4);
        Put(directory, static_cast<std::uint32_t>(name.size()), 2);
        Put(directory, 0, 2), Put(directory, 0, 2), Put(directory, 0, 2), Put(directory, 0, 2), Put(directory, 0, 4);
        Put(directory, offset, 4), Put(directory, name);
        ++count;
        start = end + 1;
    }
    const auto directoryOffset = static_cast<std::uint32_t>(zip.size());
    zip.insert(zip.end(), directory.begin(), directory.end());
    Put(zip, 0x06054B50, 4);
    Put(zip, 0, 2), Put(zip, 0, 2), Put(zip, count, 2), Put(zip, count, 2);
    Put(zip, static_cast<std::uint32_t>(directory.size()), 4), Put(zip, directoryOffset, 4), Put(zip, 0, 2);
    return zip;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    const bool package = size >= 2 && data[0] == 'P' && data[1] == 'K';
    const std::vector<std::uint8_t> built = package ? std::vector<std::uint8_t>{} : StoredPackage(input);
    const std::span<const std::uint8_t> bytes = package ? input : std::span<const std::uint8_t>(built);

    (void)DocxText(bytes);
    (void)PptxText(bytes);
    const Workbook book = XlsxWorkbook(bytes);
    for (const Sheet& sheet : book.sheets) {
        for (const auto& [at, cell] : sheet.cells) {
            if (cell.style != 0 && cell.style >= book.styles.size()) {
                std::fprintf(stderr, "cell names a style the workbook lacks\n");
                std::abort();
            }
        }
    }
    return 0;
}
