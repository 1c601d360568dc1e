#include "carve/jpeg_exif.h"

#include <algorithm>

#include "carve/big_endian.h"
#include "carve/signature.h"

namespace tundrel {
namespace {

constexpr std::size_t kTiffStart = 12;  // FF D8, FF E1, the segment length, "Exif" 00 00
constexpr std::uint16_t kExifIfdTag = 0x8769;
constexpr std::uint16_t kThumbnailOffsetTag = 0x0201;
constexpr std::uint16_t kThumbnailLengthTag = 0x0202;
constexpr std::uint16_t kWidthTag = 0xA002;
constexpr std::uint16_t kHeightTag = 0xA003;
constexpr std::uint16_t kShort = 3;
constexpr std::size_t kTextFrom = 48;
constexpr std::size_t kTextTo = 500;

// The TIFF structure, in the byte order its header names.
class Tiff {
public:
    Tiff(std::span<const std::uint8_t> bytes, bool bigEndian) : reader_(bytes), bigEndian_(bigEndian) {}

    bool Has(std::size_t offset, std::size_t length) const { return reader_.Has(offset, length); }
    std::uint16_t U16(std::size_t offset) const { return bigEndian_ ? BigEndian16(reader_, offset) : reader_.U16(offset); }
    std::uint32_t U32(std::size_t offset) const { return bigEndian_ ? BigEndian32(reader_, offset) : reader_.U32(offset); }

    // The value of `tag` in the IFD at `ifd` (a SHORT or a LONG); nothing when absent or cut off.
    std::optional<std::uint32_t> Tag(std::uint32_t ifd, std::uint16_t tag) const {
        if (!Has(ifd, 2)) return std::nullopt;
        const std::uint16_t count = U16(ifd);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::size_t entry = ifd + 2 + std::size_t{i} * 12;
            if (!Has(entry, 12)) return std::nullopt;
            if (U16(entry) != tag) continue;
            return U16(entry + 2) == kShort ? U16(entry + 8) : U32(entry + 8);
        }
        return std::nullopt;
    }
    // The offset of the IFD after the one at `ifd`, 0 when none.
    std::uint32_t NextIfd(std::uint32_t ifd) const {
        if (!Has(ifd, 2)) return 0;
        const std::size_t link = ifd + 2 + std::size_t{U16(ifd)} * 12;
        return Has(link, 4) ? U32(link) : 0;
    }

private:
    ByteReader reader_;
    bool bigEndian_;
};

bool IsPrintable(std::uint8_t c) { return c >= 0x20 && c < 0x7F; }

}  // namespace

std::optional<ExifSummary> ReadExifSummary(std::span<const std::uint8_t> jpeg) {
    if (!HasBytes(jpeg, 0, {0xFF, 0xD8, 0xFF, 0xE1}) || !HasText(jpeg, 6, "Exif")) return std::nullopt;
    const std::uint16_t segmentLength = BigEndian16(ByteReader(jpeg), 4);
    ExifSummary summary;
    summary.segmentEnd = 4 + std::uint64_t{segmentLength};
    if (segmentLength <= kTiffStart - 4 || jpeg.size() <= kTiffStart) return summary;
    const std::span<const std::uint8_t> tiffBytes =
        jpeg.subspan(kTiffStart, std::min<std::size_t>(jpeg.size() - kTiffStart, segmentLength - (kTiffStart - 4)));
    bool bigEndian;
    if (HasText(tiffBytes, 0, "MM")) {
        bigEndian = true;
    } else if (HasText(tiffBytes, 0, "II")) {
        bigEndian = false;
    } else {
        return summary;
    }
    const Tiff tiff(tiffBytes, bigEndian);
    const std::uint32_t ifd0 = tiff.U32(4);
    if (const std::uint32_t ifd1 = tiff.NextIfd(ifd0); ifd1 != 0) {
        const auto offset = tiff.Tag(ifd1, kThumbnailOffsetTag);
        const auto length = tiff.Tag(ifd1, kThumbnailLengthTag);
        if (offset && length) summary.thumbnailEnd = kTiffStart + std::uint64_t{*offset} + *length;
    }
    if (const auto exifIfd = tiff.Tag(ifd0, kExifIfdTag)) {
        const auto width = tiff.Tag(*exifIfd, kWidthTag);
        const auto height = tiff.Tag(*exifIfd, kHeightTag);
        if (width && height && *width <= 0xFFFF && *height <= 0xFFFF) {
            summary.frameSize = std::array<std::uint8_t, 4>{
                static_cast<std::uint8_t>(*height >> 8), static_cast<std::uint8_t>(*height),
                static_cast<std::uint8_t>(*width >> 8), static_cast<std::uint8_t>(*width)};
        }
    }
    return summary;
}

bool HasCameraText(std::span<const std::uint8_t> block) {
    std::size_t run = 0;
    for (std::size_t i = kTextFrom; i < std::min(kTextTo, block.size()); ++i) {
        run = IsPrintable(block[i]) ? run + 1 : 0;
        if (run == 4) return true;
    }
    return false;
}

std::string ExifDateText(std::span<const std::uint8_t> block) {
    for (std::size_t i = kTextFrom; i < std::min(kTextTo, block.size()); ++i) {
        if (!HasText(block, i, "20") || !HasText(block, i + 4, ":")) continue;
        std::string text;
        for (std::size_t j = i; j < block.size() && IsPrintable(block[j]); ++j) text.push_back(static_cast<char>(block[j]));
        return text;
    }
    return {};
}

}  // namespace tundrel
