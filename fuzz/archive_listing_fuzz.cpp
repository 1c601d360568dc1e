// The archive listings, rich text, image facts and hex view over arbitrary bytes. The input is
// the whole file to the ZIP and RAR walks, read through a reader that refuses reads past its
// end; the ZIP walk may read no piece larger than 1,024 bytes, and no listing or text may grow
// beyond a bound of the input's size.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>

#include "preview/hex_view.h"
#include "preview/image_facts.h"
#include "preview/rar_listing.h"
#include "preview/rtf_text.h"
#include "preview/zip_listing.h"

using namespace tundrel;

namespace {

void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static AnsiCodePage codePage("CP932");
    const std::span<const std::uint8_t> bytes(data, size);
    std::size_t largestRead = 0;
    const FileBytesReader read = [bytes, &largestRead](std::uint64_t offset, std::span<std::uint8_t> buffer) {
        largestRead = std::max(largestRead, buffer.size());
        if (offset > bytes.size() || buffer.size() > bytes.size() - offset) return false;
        if (!buffer.empty()) std::memcpy(buffer.data(), bytes.data() + offset, buffer.size());
        return true;
    };

    if (const auto listing = ListZipArchive(read, size, codePage)) {
        // Each entry's line holds at most its header's name (one unit per byte) and its fields.
        if (listing->size() > 3 * size + 100) Fail("ZIP listing out of proportion to the archive");
    }
    if (largestRead > 1024) Fail("ZIP walk read more than a piece");

    if (const auto listing = ListRarArchive(read, size, codePage, u"fuzz.rar")) {
        // Lines per entry stay bounded, and comments stop at 1 MiB in all.
        if (listing->size() > 600 * size + 8 * 1024 * 1024) Fail("RAR listing out of proportion to the archive");
    }

    if (RtfPlainText(bytes, codePage).size() > 2 * size) Fail("RTF text longer than twice the document");
    const ImageFacts facts = ReadImageFacts(bytes);
    if (facts.format.empty() && (facts.width != 0 || facts.height != 0)) Fail("a size without a format");
    const auto head = bytes.first(std::min<std::size_t>(size, 256));
    const std::u16string hex = HexView(head);
    if (static_cast<std::size_t>(std::count(hex.begin(), hex.end(), u'\n')) != (head.size() + 15) / 16) {
        Fail("hex view with a line too many or too few");
    }
    return 0;
}
