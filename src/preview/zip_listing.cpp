#include "preview/zip_listing.h"

#include <algorithm>
#include <array>
#include <vector>

#include "preview/archive_entry_name.h"
#include "support/byte_reader.h"
#include "support/text.h"

namespace tundrel {

namespace {

constexpr std::uint32_t kLocalHeader = 0x04034B50;
constexpr std::uint32_t kCentralHeader = 0x02014B50;
constexpr std::uint32_t kDataDescriptor = 0x08074B50;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kPiece = 1024;

// Reads the archive through one 1,024-byte piece at a time, the piece aligned to its size.
class PieceReader {
public:
    PieceReader(const FileBytesReader& read, std::uint64_t size) : read_(read), size_(size) {}

    std::uint64_t Size() const { return size_; }

    // `length` bytes at `offset` into `out`; false when they run past the file or a read fails.
    bool Bytes(std::uint64_t offset, std::size_t length, std::vector<std::uint8_t>& out) {
        out.clear();
        if (offset > size_ || length > size_ - offset) return false;
        while (out.size() < length) {
            const std::uint64_t at = offset + out.size();
            if (!Load(at - at % kPiece)) return false;
            const std::size_t from = static_cast<std::size_t>(at - pieceStart_);
            const std::size_t take = std::min(length - out.size(), pieceLength_ - from);
            out.insert(out.end(), piece_.begin() + static_cast<std::ptrdiff_t>(from),
                       piece_.begin() + static_cast<std::ptrdiff_t>(from + take));
        }
        return true;
    }

    std::optional<std::uint32_t> U32(std::uint64_t offset) {
        if (!Bytes(offset, 4, scratch_)) return std::nullopt;
        return ByteReader(scratch_).U32(0);
    }

    // The first offset at or after `from` where one of the signatures starts, and which it is.
    std::optional<std::pair<std::uint64_t, std::uint32_t>> FindSignature(std::uint64_t from,
                                                                         std::span<const std::uint32_t> signatures) {
        for (std::uint64_t at = from; at + 4 <= size_; ++at) {
            if (!Load(at - at % kPiece)) return std::nullopt;
            if (piece_[static_cast<std::size_t>(at - pieceStart_)] != 'P') continue;
            const auto value = U32(at);
            if (!value) return std::nullopt;
            if (std::ranges::find(signatures, *value) != signatures.end()) return std::pair{at, *value};
        }
        return std::nullopt;
    }

private:
    bool Load(std::uint64_t start) {
        if (pieceLength_ != 0 && start == pieceStart_) return true;
        pieceLength_ = 0;
        const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, size_ - start));
        if (!read_(start, std::span(piece_).first(length))) return false;
        pieceStart_ = start;
        pieceLength_ = length;
        return true;
    }

    const FileBytesReader& read_;
    std::uint64_t size_;
    std::array<std::uint8_t, kPiece> piece_{};
    std::uint64_t pieceStart_ = 0;
    std::size_t pieceLength_ = 0;
    std::vector<std::uint8_t> scratch_;
};

struct ZipEntry {
    std::uint16_t date = 0;
    std::uint16_t time = 0;
    std::uint16_t method = 0;
    std::optional<std::uint64_t> compressed;
    std::optional<std::uint64_t> uncompressed;
    std::u16string name;
};

std::string MethodName(std::uint16_t method) {
    switch (method) {
        case 0: return "stored";
        case 1: return "shrunk";
        case 6: return "imploded";
        case 8: return "deflate";
        case 9: return "deflate64";
        case 12: return "bzip2";
        case 14: return "lzma";
        case 93: return "zstd";
        case 95: return "xz";
        case 98: return "ppmd";
        case 99: return "aes";
        default: return FormatText("method %u", method);
    }
}

std::string Grouped(std::optional<std::uint64_t> value) {
    if (!value) return "?";
    const std::string digits = std::to_string(*value);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
        grouped += digits[i];
    }
    return grouped;
}

std::u16string EntryLine(const ZipEntry& entry) {
    const std::string line = FormatText("%04u-%02u-%02u %02u:%02u:%02u  %s  %s  %s  ", (entry.date >> 9) + 1980u,
                                         (entry.date >> 5) & 0xFu, entry.date & 0x1Fu, entry.time >> 11,
                                         (entry.time >> 5) & 0x3Fu, (entry.time & 0x1Fu) * 2,
                                         Grouped(entry.uncompressed).c_str(), Grouped(entry.compressed).c_str(),
                                         MethodName(entry.method).c_str());
    return ToUtf16(line) + entry.name + u"\r\n";
}

// The ZIP64 sizes of an entry whose header holds 0xFFFFFFFF for them, from its extra field.
void ApplyZip64Sizes(std::span<const std::uint8_t> extra, ZipEntry& entry) {
    const ByteReader fields(extra);
    for (std::size_t at = 0; fields.Has(at, 4);) {
        const std::uint16_t id = fields.U16(at);
        const std::uint16_t length = fields.U16(at + 2);
        if (id == 0x0001) {
            std::size_t value = at + 4;
            if (entry.uncompressed == 0xFFFFFFFFu && length >= value - at - 4 + 8 && fields.Has(value, 8)) {
                entry.uncompressed = fields.U64(value);
                value += 8;
            }
            if (entry.compressed == 0xFFFFFFFFu && length >= value - at - 4 + 8 && fields.Has(value, 8)) {
                entry.compressed = fields.U64(value);
            }
            return;
        }
        at += 4 + std::size_t{length};
    }
}

// Where the entry written with a data descriptor, whose data starts at `dataStart`, ends; its
// sizes from the descriptor when one is found whose compressed size fits the distance walked.
std::optional<std::uint64_t> PassStreamedEntry(PieceReader& reader, std::uint64_t dataStart, ZipEntry& entry) {
    constexpr std::array kEnds{kDataDescriptor, kLocalHeader, kCentralHeader};
    std::vector<std::uint8_t> bytes;
    for (std::uint64_t from = dataStart;;) {
        const auto found = reader.FindSignature(from, kEnds);
        if (!found) return std::nullopt;
        const auto [at, signature] = *found;
        from = at + 1;
        if (signature == kDataDescriptor) {
            // A ZIP64 descriptor holds 8-byte sizes; either form must match the data walked.
            if (reader.Bytes(at, 24, bytes) && ByteReader(bytes).U64(8) == at - dataStart) {
                entry.compressed = ByteReader(bytes).U64(8);
                entry.uncompressed = ByteReader(bytes).U64(16);
                return at + 24;
            }
            if (reader.Bytes(at, 16, bytes) && ByteReader(bytes).U32(8) == at - dataStart) {
                entry.compressed = ByteReader(bytes).U32(8);
                entry.uncompressed = ByteReader(bytes).U32(12);
                return at + 16;
            }
            continue;
        }
        // A descriptor without its signature: 12 bytes right before the next header.
        if (at >= dataStart + 12 && reader.Bytes(at - 12, 12, bytes) && ByteReader(bytes).U32(4) == at - 12 - dataStart) {
            entry.compressed = ByteReader(bytes).U32(4);
            entry.uncompressed = ByteReader(bytes).U32(8);
            return at;
        }
        if (signature == kCentralHeader) return at;  // the central directory ends the data at least
    }
}

}  // namespace

std::optional<std::u16string> ListZipArchive(const FileBytesReader& read, std::uint64_t size, AnsiCodePage& codePage) {
    PieceReader reader(read, size);
    std::u16string listing;
    std::size_t entries = 0;
    std::uint64_t at = 0;
    // A split archive's first part starts with the spanning marker.
    if (reader.U32(0) == kDataDescriptor) at = 4;
    std::vector<std::uint8_t> header, nameAndExtra;
    while (entries < kZipListingMaxEntries) {
        const auto signature = reader.U32(at);
        if (signature != kLocalHeader) break;  // the central directory, or damage
        if (!reader.Bytes(at, kLocalHeaderSize, header)) break;
        const ByteReader fields(header);
        const std::uint16_t flags = fields.U16(6);
        const std::size_t nameLength = fields.U16(26);
        const std::size_t extraLength = fields.U16(28);
        if (!reader.Bytes(at + kLocalHeaderSize, nameLength + extraLength, nameAndExtra)) break;
        const std::span<const std::uint8_t> names(nameAndExtra);
        ZipEntry entry{fields.U16(12), fields.U16(10), fields.U16(8), fields.U32(18), fields.U32(22),
                       ArchiveEntryName(names.first(nameLength), (flags & 0x0800) != 0, codePage)};
        ApplyZip64Sizes(names.subspan(nameLength), entry);
        const std::uint64_t dataStart = at + kLocalHeaderSize + nameLength + extraLength;
        std::optional<std::uint64_t> next;
        if ((flags & 0x0008) != 0 && entry.compressed == 0) {
            entry.compressed.reset();
            entry.uncompressed.reset();
            next = PassStreamedEntry(reader, dataStart, entry);
        } else if (*entry.compressed <= size - dataStart) {
            next = dataStart + *entry.compressed;
        }
        if (!next) break;  // the entry's data runs past the file
        listing += EntryLine(entry);
        ++entries;
        at = *next;
    }
    if (entries == 0) return std::nullopt;
    return listing;
}

}  // namespace tundrel
