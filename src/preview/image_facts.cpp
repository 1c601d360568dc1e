#include "preview/image_facts.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "carve/big_endian.h"
#include "support/byte_reader.h"

namespace tundrel {

namespace {

bool StartsWith(std::span<const std::uint8_t> bytes, std::string_view prefix) {
    return bytes.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), bytes.begin(),
                      [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

std::optional<ImageFacts> Bitmap(const ByteReader& bytes) {
    if (bytes.U8(0) != 'B' || bytes.U8(1) != 'M') return std::nullopt;
    const std::uint32_t headerSize = bytes.U32(14);
    constexpr std::array kHeaderSizes{12u, 40u, 52u, 56u, 64u, 108u, 124u};
    if (std::ranges::find(kHeaderSizes, headerSize) == kHeaderSizes.end()) return std::nullopt;
    if (headerSize == 12) return ImageFacts{"bmp", bytes.U16(18), bytes.U16(20)};
    const auto height = static_cast<std::int32_t>(bytes.U32(22));
    const std::uint32_t magnitude = height < 0 ? 0u - static_cast<std::uint32_t>(height) : static_cast<std::uint32_t>(height);
    return ImageFacts{"bmp", bytes.U32(18), magnitude};
}

bool IsStartOfFrame(std::uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

std::optional<ImageFacts> Jpeg(const ByteReader& bytes) {
    if (bytes.U8(0) != 0xFF || bytes.U8(1) != 0xD8 || bytes.U8(2) != 0xFF) return std::nullopt;
    ImageFacts facts{"jpeg"};
    std::size_t at = 2;
    while (bytes.Has(at, 2)) {
        if (bytes.U8(at) != 0xFF) break;
        const std::uint8_t marker = bytes.U8(at + 1);
        if (marker == 0xFF) {  // fill byte before a marker
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {  // markers without a length
            at += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) break;  // the image ends or its data starts
        const std::uint16_t length = BigEndian16(bytes, at + 2);
        if (length < 2) break;
        if (IsStartOfFrame(marker)) {
            if (bytes.Has(at + 4, 5)) {
                facts.height = BigEndian16(bytes, at + 5);
                facts.width = BigEndian16(bytes, at + 7);
            }
            break;
        }
        at += 2 + std::size_t{length};
    }
    return facts;
}

std::optional<ImageFacts> Png(std::span<const std::uint8_t> first, const ByteReader& bytes) {
    if (!StartsWith(first, "\x89PNG\r\n\x1A\n")) return std::nullopt;
    ImageFacts facts{"png"};
    if (StartsWith(first.subspan(std::min<std::size_t>(12, first.size())), "IHDR") && bytes.Has(16, 8)) {
        facts.width = BigEndian32(bytes, 16);
        facts.height = BigEndian32(bytes, 20);
    }
    return facts;
}

std::optional<ImageFacts> Gif(std::span<const std::uint8_t> first, const ByteReader& bytes) {
    if (!StartsWith(first, "GIF87a") && !StartsWith(first, "GIF89a")) return std::nullopt;
    return ImageFacts{"gif", bytes.U16(6), bytes.U16(8)};
}

// A TIFF field of either byte order.
struct TiffReader {
    const ByteReader& bytes;
    bool bigEndian;
    std::uint16_t U16(std::size_t at) const { return bigEndian ? BigEndian16(bytes, at) : bytes.U16(at); }
    std::uint32_t U32(std::size_t at) const { return bigEndian ? BigEndian32(bytes, at) : bytes.U32(at); }
};

std::optional<ImageFacts> Tiff(std::span<const std::uint8_t> first, const ByteReader& bytes) {
    const bool little = StartsWith(first, std::string_view("II*\0", 4));
    if (!little && !StartsWith(first, std::string_view("MM\0*", 4))) return std::nullopt;
    const TiffReader tiff{bytes, !little};
    ImageFacts facts{"tiff"};
    const std::uint32_t directory = tiff.U32(4);
    if (directory < 8 || !bytes.Has(directory, 2)) return facts;
    const std::size_t entries = tiff.U16(directory);
    constexpr std::uint16_t kImageWidth = 256, kImageLength = 257, kShort = 3, kLong = 4;
    for (std::size_t i = 0; i < entries; ++i) {
        const std::size_t entry = directory + 2 + i * 12;
        if (!bytes.Has(entry, 12)) break;
        const std::uint16_t tag = tiff.U16(entry);
        const std::uint16_t type = tiff.U16(entry + 2);
        if (tag != kImageWidth && tag != kImageLength) continue;
        const std::uint32_t value = type == kShort ? tiff.U16(entry + 8) : type == kLong ? tiff.U32(entry + 8) : 0;
        (tag == kImageWidth ? facts.width : facts.height) = value;
    }
    return facts;
}

}  // namespace

ImageFacts ReadImageFacts(std::span<const std::uint8_t> firstBytes) {
    const ByteReader bytes(firstBytes);
    for (auto facts : {Bitmap(bytes), Jpeg(bytes), Png(firstBytes, bytes), Gif(firstBytes, bytes), Tiff(firstBytes, bytes)}) {
        if (facts) return *facts;
    }
    return {};
}

}  // namespace tundrel
