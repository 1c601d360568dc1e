#include "preview/rar_listing.h"

#include <algorithm>
#include <array>
#include <vector>

#include "preview/archive_entry_name.h"
#include "preview/rar_lz_unpack.h"
#include "support/byte_reader.h"
#include "support/strings.h"
#include "support/text.h"

namespace tundrel {

namespace {

constexpr std::array<std::uint8_t, 7> kRar4Marker{0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
constexpr std::array<std::uint8_t, 8> kRar5Marker{0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x01, 0x00};

// RAR 1.5-4.x block types and flags.
constexpr std::uint8_t kMainBlock = 0x73, kFileBlock = 0x74, kOldCommentBlock = 0x75, kServiceBlock = 0x7A,
                       kEndBlock = 0x7B;
constexpr std::size_t kBlockHeaderSize = 7;
constexpr std::size_t kFileHeaderSize = 32;  // up to the name, without the high sizes
constexpr std::size_t kCommentHeaderSize = 13;
constexpr std::uint16_t kLongBlock = 0x8000;
constexpr std::uint16_t kMainHasComment = 0x0002, kMainHeadersEncrypted = 0x0080;
constexpr std::uint16_t kFileHighSize = 0x0100, kFileUnicode = 0x0200, kFileSalt = 0x0400, kFileVersion = 0x0800,
                        kFileExtTime = 0x1000, kDictionaryMask = 0x00E0, kDirectory = 0x00E0;
constexpr std::uint8_t kStoredMethod = 0x30;
constexpr std::uint8_t kRar3Unpacker = 29;  // the unpacker version of RAR 3.x's LZ method
constexpr std::size_t kSaltSize = 8;
constexpr std::size_t kMaxCommentBytes = 64 * 1024;
// Packed comments are small on disk; all of an archive's together show at most this much.
constexpr std::size_t kMaxCommentTotal = 1024 * 1024;
constexpr std::uint8_t kUnixHost = 3;

// RAR 5 block types; a header is at most 2 MiB.
constexpr std::uint64_t kRar5FileBlock = 2, kRar5EncryptionBlock = 4, kRar5EndBlock = 5;
constexpr std::uint64_t kRar5MaxHeader = 2 * 1024 * 1024;

std::optional<std::vector<std::uint8_t>> ReadBytes(const FileBytesReader& read, std::uint64_t size,
                                                   std::uint64_t offset, std::uint64_t length) {
    if (offset > size || length > size - offset) return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
    if (!read(offset, bytes)) return std::nullopt;
    return bytes;
}

bool StartsWith(std::span<const std::uint8_t> bytes, std::span<const std::uint8_t> marker) {
    return bytes.size() >= marker.size() && std::equal(marker.begin(), marker.end(), bytes.begin());
}

// A name header's Unicode name: the stored 8-bit name `plain` widened and corrected as the
// encoded part says (a high byte, then two flag bits per unit).
std::u16string DecodeUnicodeName(std::span<const std::uint8_t> plain, std::span<const std::uint8_t> encoded) {
    std::u16string name;
    if (encoded.empty()) return name;
    const auto high = static_cast<char16_t>(encoded[0] << 8);
    std::size_t at = 1;
    unsigned flags = 0, flagBits = 0;
    while (at < encoded.size()) {
        if (flagBits == 0) {
            flags = encoded[at++];
            flagBits = 8;
            if (at >= encoded.size()) break;
        }
        flagBits -= 2;
        switch ((flags >> flagBits) & 3) {
            case 0: name += static_cast<char16_t>(encoded[at++]); break;
            case 1: name += static_cast<char16_t>(high | encoded[at++]); break;
            case 2:
                if (at + 1 >= encoded.size()) return name;
                name += static_cast<char16_t>(encoded[at] | (encoded[at + 1] << 8));
                at += 2;
                break;
            default: {
                const std::uint8_t run = encoded[at++];
                std::uint8_t correction = 0;
                if ((run & 0x80) != 0) {
                    if (at >= encoded.size()) return name;
                    correction = encoded[at++];
                }
                for (unsigned n = (run & 0x7Fu) + 2; n > 0 && name.size() < plain.size(); --n) {
                    const std::uint8_t byte = plain[name.size()];
                    name += (run & 0x80) != 0 ? static_cast<char16_t>(high | ((byte + correction) & 0xFF))
                                              : static_cast<char16_t>(byte);
                }
            }
        }
    }
    return name;
}

std::string UnixModeText(std::uint32_t mode) {
    char type = '-';
    switch (mode & 0xF000) {
        case 0x4000: type = 'd'; break;
        case 0xA000: type = 'l'; break;
        case 0x2000: type = 'c'; break;
        case 0x6000: type = 'b'; break;
        case 0x1000: type = 'p'; break;
        case 0xC000: type = 's'; break;
    }
    std::string text(1, type);
    constexpr std::array<std::uint32_t, 3> kSpecial{0x800, 0x400, 0x200};  // set-user-id, set-group-id, sticky
    for (int who = 0; who < 3; ++who) {
        const unsigned bits = (mode >> (6 - 3 * who)) & 7;
        text += (bits & 4) != 0 ? 'r' : '-';
        text += (bits & 2) != 0 ? 'w' : '-';
        const bool special = (mode & kSpecial[static_cast<std::size_t>(who)]) != 0;
        const bool execute = (bits & 1) != 0;
        text += special ? (who == 2 ? (execute ? 't' : 'T') : (execute ? 's' : 'S')) : (execute ? 'x' : '-');
    }
    return text;
}

std::string DosDateTime(std::uint32_t stamp, char separator) {
    return FormatText("%04u-%02u-%02u%c%02u:%02u:%02u", (stamp >> 25) + 1980, (stamp >> 21) & 0xF, (stamp >> 16) & 0x1F,
                      separator, (stamp >> 11) & 0x1F, (stamp >> 5) & 0x3F, (stamp & 0x1F) * 2);
}

// An extended time: seconds of a DOS time, one more when asked, and 100-ns units shown as
// microseconds when whole, else as nanoseconds.
std::string ExtendedTime(std::uint32_t dosTime, bool plusSecond, std::uint32_t hundredNanoseconds) {
    std::string text = DosDateTime(dosTime, 'T');
    if (plusSecond) {
        const unsigned seconds = (dosTime & 0x1F) * 2 + 1;
        text.replace(text.size() - 2, 2, FormatText("%02u", seconds));
    }
    const std::uint64_t nanoseconds = std::uint64_t{hundredNanoseconds} * 100;
    if (nanoseconds == 0) return text;
    if (nanoseconds % 1000 == 0) return text + FormatText(".%06llu", static_cast<unsigned long long>(nanoseconds / 1000));
    return text + FormatText(".%09llu", static_cast<unsigned long long>(nanoseconds));
}

// A comment as a quoted literal with escapes for quotes, backslashes and control characters.
std::string QuotedComment(std::u16string_view text) {
    const bool hasSingle = text.find(u'\'') != std::u16string_view::npos;
    const char quote = hasSingle && text.find(u'"') == std::u16string_view::npos ? '"' : '\'';
    std::u16string body;
    for (const char16_t c : text) {
        if (c == u'\\' || c == static_cast<char16_t>(quote)) {
            body += u'\\';
            body += c;
        } else if (c == u'\n') {
            body += u"\\n";
        } else if (c == u'\r') {
            body += u"\\r";
        } else if (c == u'\t') {
            body += u"\\t";
        } else if (c < 0x20 || (c >= 0x7F && c <= 0xA0)) {
            body += ToUtf16(FormatText("\\x%02x", static_cast<unsigned>(c)));
        } else {
            body += c;
        }
    }
    return quote + ToUtf8(body) + quote;
}

std::string FileFlagNames(std::uint16_t flags) {
    static constexpr std::array<std::pair<std::uint16_t, const char*>, 13> kNames{{
        {0x0001, "SPLIT_BEFORE"}, {0x0002, "SPLIT_AFTER"}, {0x0004, "PASSWORD"}, {0x0008, "COMMENT"},
        {0x0010, "SOLID"}, {0x0100, "LARGE"}, {0x0200, "UNICODE"}, {0x0400, "SALT"}, {0x0800, "VERSION"},
        {0x1000, "EXTTIME"}, {0x2000, "EXTFLAGS"}, {0x4000, "SKIP"}, {0x8000, "LONG"}}};
    static constexpr std::array<const char*, 8> kDictionaries{"D64", "D128", "D256", "D512",
                                                              "D1024", "D2048", "D4096", "DIR"};
    std::string names;
    for (const auto& [bit, name] : kNames) {
        if ((flags & bit) != 0) names += std::string(name) + ",";
    }
    return names + kDictionaries[(flags & kDictionaryMask) >> 5];
}

std::string HostName(std::uint8_t host) {
    static constexpr std::array<const char*, 6> kHosts{"MSDOS", "OS2", "WIN", "UNIX", "MACOS", "BEOS"};
    return host < kHosts.size() ? kHosts[host] : "?";
}

// What a listing has found so far.
struct Listing {
    std::string archiveComment;
    std::vector<std::string> entries;
    std::optional<std::size_t> commentOwner;  // the entry a comment block that follows belongs to
    bool entryMet = false;

    std::size_t commentBytes = 0;  // of all comments so far, against kMaxCommentTotal

    void AddComment(std::span<const std::uint8_t> bytes, AnsiCodePage& codePage) {
        if (bytes.size() > kMaxCommentTotal - commentBytes) return;
        commentBytes += bytes.size();
        std::string line = "  comment=" + QuotedComment(ArchiveEntryName(bytes, false, codePage)) + "\r\n";
        if (commentOwner) {
            entries[*commentOwner] += line;
        } else if (!entryMet) {
            archiveComment += line;
        }
    }
};

// An old-style comment block (inside a RAR 2 main header, or on its own): its text when stored.
std::optional<std::span<const std::uint8_t>> StoredOldComment(std::span<const std::uint8_t> block) {
    const ByteReader fields(block);
    if (!fields.Has(0, kCommentHeaderSize) || fields.U8(2) != kOldCommentBlock) return std::nullopt;
    const std::size_t blockSize = fields.U16(5);
    if (blockSize < kCommentHeaderSize || fields.U8(10) != kStoredMethod) return std::nullopt;
    const std::size_t length = std::min<std::size_t>(blockSize - kCommentHeaderSize, fields.U16(7));
    const auto text = fields.Bytes(kCommentHeaderSize, length);
    if (text.size() != length) return std::nullopt;
    return text;
}

// The text of a comment service block whose data starts at `dataStart`: stored, or packed by
// RAR 3's LZ method.
std::optional<std::vector<std::uint8_t>> CommentText(const FileBytesReader& read, std::uint64_t size,
                                                     std::uint64_t dataStart, std::uint64_t dataSize,
                                                     const ByteReader& header) {
    const std::uint32_t unpackedSize = header.U32(11);
    const std::uint8_t method = header.U8(25);
    if (method == kStoredMethod) return ReadBytes(read, size, dataStart, std::min<std::uint64_t>(dataSize, unpackedSize));
    if (header.U8(24) != kRar3Unpacker || method > kStoredMethod + 5) return std::nullopt;
    const auto packed = ReadBytes(read, size, dataStart, dataSize);
    if (!packed) return std::nullopt;
    return UnpackRarLz(*packed, unpackedSize);
}

struct FileHeader {
    std::uint64_t packedSize = 0;
    std::string text;       // the entry's lines
    bool version = false;   // a former version of a file
};

std::optional<FileHeader> ParseFileHeader(const ByteReader& header, AnsiCodePage& codePage) {
    const std::uint16_t flags = header.U16(3);
    const std::size_t headerSize = header.size();
    std::size_t at = kFileHeaderSize;
    if (!header.Has(0, at)) return std::nullopt;
    std::uint64_t packed = header.U32(7), unpacked = header.U32(11);
    if ((flags & kFileHighSize) != 0) {
        if (!header.Has(at, 8)) return std::nullopt;
        packed |= std::uint64_t{header.U32(at)} << 32;
        unpacked |= std::uint64_t{header.U32(at + 4)} << 32;
        at += 8;
    }
    const std::size_t nameSize = header.U16(26);
    const auto nameBytes = header.Bytes(at, nameSize);
    if (nameBytes.size() != nameSize) return std::nullopt;
    at += nameSize;

    const std::uint8_t host = header.U8(15);
    const std::uint32_t attributes = header.U32(28);
    const bool unixLike = host >= kUnixHost;
    const bool directory = (flags & kDictionaryMask) == kDirectory || (unixLike && (attributes & 0xF000) == 0x4000) ||
                           (!unixLike && (attributes & 0x10) != 0);
    const bool link = unixLike && (attributes & 0xF000) == 0xA000;
    // DOS attributes shown as the Unix mode they amount to: a folder, read-only or writable.
    const std::uint32_t mode = unixLike ? attributes : directory ? 0x41ED : (attributes & 1) != 0 ? 0x8124 : 0x81A4;

    std::u16string name;
    std::string nameSizes;
    if ((flags & kFileUnicode) != 0) {
        const auto end = std::ranges::find(nameBytes, std::uint8_t{0});
        const std::size_t plainSize = static_cast<std::size_t>(end - nameBytes.begin());
        nameSizes = FormatText(" namecmp=%zu/%zu", plainSize, nameSize);
        name = end == nameBytes.end() ? ArchiveEntryName(nameBytes, true, codePage)
                                      : DecodeUnicodeName(nameBytes.first(plainSize), nameBytes.subspan(plainSize + 1));
    } else {
        name = ArchiveEntryName(nameBytes, false, codePage);
    }
    std::ranges::replace(name, u'\\', u'/');
    if (directory && !name.ends_with(u'/')) name += u'/';

    const std::uint32_t dosTime = header.U32(20);
    std::string salt;
    if ((flags & kFileSalt) != 0) {
        for (const std::uint8_t byte : header.Bytes(at, kSaltSize)) salt += FormatText("%02x", byte);
        at += kSaltSize;
    }
    std::string times;
    std::string modified = DosDateTime(dosTime, ' ');
    if ((flags & kFileExtTime) != 0 && header.Has(at, 2)) {
        const std::uint16_t timeFlags = header.U16(at);
        at += 2;
        static constexpr std::array<const char*, 4> kTimes{"mtime", "ctime", "atime", "arctime"};
        for (std::size_t i = 0; i < kTimes.size(); ++i) {
            const unsigned rule = timeFlags >> ((3 - i) * 4);
            if ((rule & 8) == 0) continue;
            std::uint32_t stamp = dosTime;
            if (i != 0) {
                if (!header.Has(at, 4)) break;
                stamp = header.U32(at);
                at += 4;
            }
            const unsigned count = rule & 3;
            if (!header.Has(at, count)) break;
            std::uint32_t remainder = 0;
            for (unsigned k = 0; k < count; ++k) remainder |= std::uint32_t{header.U8(at + k)} << ((k + 3 - count) * 8);
            at += count;
            const std::string time = ExtendedTime(stamp, (rule & 4) != 0, remainder);
            // The modification time to the second, its odd second included, is the entry's date.
            if (i == 0) modified = time.substr(0, 10) + ' ' + time.substr(11, 8);
            times += FormatText("  %s=%s\r\n", kTimes[i], time.c_str());
        }
    }

    const std::uint32_t crc = header.U32(16);
    std::string text = FormatText("FILE: hdrlen=%zu datlen=%llu is=%c%c%c\r\n", headerSize,
                                  static_cast<unsigned long long>(packed), directory || link ? '-' : 'F',
                                  directory ? 'D' : '-', link ? 'L' : '-');
    text += FormatText("  flags=0x%04x:%s\r\n", flags, FileFlagNames(flags).c_str());
    text += FormatText("  os=%u:%s ver=%u mode=%s meth=%d cmp=%llu dec=%llu vol=0%s\r\n", host, HostName(host).c_str(),
                       header.U8(24), UnixModeText(mode).c_str(), header.U8(25) - int{kStoredMethod},
                       static_cast<unsigned long long>(packed), static_cast<unsigned long long>(unpacked),
                       nameSizes.c_str());
    text += FormatText("  crc=0x%08x (%u) date_time=%s\r\n", crc, crc, modified.c_str());
    text += "  name=" + ToUtf8(name) + "\r\n" + times;
    if (!salt.empty()) text += "  salt=" + salt + "\r\n";
    return FileHeader{packed, std::move(text), (flags & kFileVersion) != 0};
}

// RAR 1.5-4.x from the main header on; false when the headers are encrypted.
bool WalkRar4(const FileBytesReader& read, std::uint64_t size, AnsiCodePage& codePage, Listing& listing) {
    for (std::uint64_t at = kRar4Marker.size(); listing.entries.size() < kRarListingMaxEntries;) {
        const auto base = ReadBytes(read, size, at, kBlockHeaderSize);
        if (!base) break;
        const ByteReader baseFields(*base);
        const std::uint8_t type = baseFields.U8(2);
        const std::uint16_t flags = baseFields.U16(3);
        const std::size_t headerSize = baseFields.U16(5);
        if (headerSize < kBlockHeaderSize) break;
        const auto header = ReadBytes(read, size, at, headerSize);
        if (!header) break;
        const ByteReader fields(*header);
        const bool hasData = (flags & kLongBlock) != 0 || type == kFileBlock || type == kServiceBlock;
        if (hasData && !fields.Has(7, 4)) break;
        std::uint64_t dataSize = hasData ? fields.U32(7) : 0;
        if ((type == kFileBlock || type == kServiceBlock) && (flags & kFileHighSize) != 0) {
            dataSize |= std::uint64_t{fields.U32(kFileHeaderSize)} << 32;
        }
        const std::uint64_t dataStart = at + headerSize;

        if (type == kMainBlock) {
            if ((flags & kMainHeadersEncrypted) != 0) return false;
            if ((flags & kMainHasComment) != 0) {
                if (const auto text = StoredOldComment(std::span(*header).subspan(std::min<std::size_t>(13, headerSize)))) {
                    listing.AddComment(*text, codePage);
                }
            }
        } else if (type == kFileBlock) {
            auto file = ParseFileHeader(fields, codePage);
            if (!file) break;
            listing.entryMet = true;
            listing.commentOwner.reset();
            if (!file->version) {
                listing.commentOwner = listing.entries.size();
                listing.entries.push_back(std::move(file->text));
            }
        } else if (type == kServiceBlock) {
            // A stored "CMT" service block is the comment of the archive or of the file before it.
            const std::size_t nameSize = fields.U16(26);
            const auto name = fields.Bytes(kFileHeaderSize + ((flags & kFileHighSize) != 0 ? 8 : 0), nameSize);
            const bool comment = name.size() == 3 && name[0] == 'C' && name[1] == 'M' && name[2] == 'T';
            const std::uint32_t unpackedSize = fields.U32(11);
            if (comment && dataSize <= kMaxCommentBytes && unpackedSize <= kMaxCommentBytes) {
                if (const auto text = CommentText(read, size, dataStart, dataSize, fields)) listing.AddComment(*text, codePage);
            }
        } else if (type == kOldCommentBlock) {
            if (const auto text = StoredOldComment(*header)) listing.AddComment(*text, codePage);
        } else if (type == kEndBlock) {
            break;
        }
        if (dataSize > size - dataStart) break;  // the block's data runs past the file
        at = dataStart + dataSize;
    }
    return true;
}

std::optional<std::uint64_t> VarInt(const ByteReader& fields, std::size_t& at) {
    std::uint64_t value = 0;
    for (unsigned shift = 0; shift < 70; shift += 7) {
        if (!fields.Has(at, 1)) return std::nullopt;
        const std::uint8_t byte = fields.U8(at++);
        value |= std::uint64_t{byte & 0x7Fu} << shift;
        if ((byte & 0x80) == 0) return value;
    }
    return std::nullopt;
}

// RAR 5 from the first block after the marker; false when the headers are encrypted.
bool WalkRar5(const FileBytesReader& read, std::uint64_t size, Listing& listing) {
    constexpr std::size_t kSizeFieldMax = 4 + 3;  // the CRC and a size of at most 2 MiB
    for (std::uint64_t at = kRar5Marker.size(); listing.entries.size() < kRarListingMaxEntries;) {
        const auto start = ReadBytes(read, size, at, std::min<std::uint64_t>(kSizeFieldMax, size - std::min(size, at)));
        if (!start) break;
        std::size_t cursor = 4;
        const auto headerSize = VarInt(ByteReader(*start), cursor);
        if (!headerSize || *headerSize == 0 || *headerSize > kRar5MaxHeader) break;
        const std::uint64_t headerEnd = cursor + *headerSize;
        const auto header = ReadBytes(read, size, at, headerEnd);
        if (!header) break;
        const ByteReader fields(*header);
        const auto type = VarInt(fields, cursor);
        const auto flags = VarInt(fields, cursor);
        if (!type || !flags) break;
        if ((*flags & 1) != 0 && !VarInt(fields, cursor)) break;  // the extra area's size
        std::uint64_t dataSize = 0;
        if ((*flags & 2) != 0) {
            const auto value = VarInt(fields, cursor);
            if (!value) break;
            dataSize = *value;
        }
        if (*type == kRar5EncryptionBlock) return false;
        if (*type == kRar5EndBlock) break;
        if (*type == kRar5FileBlock) {
            const auto fileFlags = VarInt(fields, cursor);
            const auto unpacked = VarInt(fields, cursor);
            if (!fileFlags || !unpacked || !VarInt(fields, cursor)) break;  // attributes follow the size
            if ((*fileFlags & 2) != 0) cursor += 4;                        // modification time
            if ((*fileFlags & 4) != 0) cursor += 4;                        // data CRC
            if (!VarInt(fields, cursor) || !VarInt(fields, cursor)) break;  // compression, host
            const auto nameSize = VarInt(fields, cursor);
            if (!nameSize || !fields.Has(cursor, *nameSize)) break;
            const bool directory = (*fileFlags & 1) != 0;
            const auto nameBytes = fields.Bytes(cursor, *nameSize);
            std::string name(nameBytes.begin(), nameBytes.end());
            if (directory && !name.ends_with('/')) name += '/';
            listing.entries.push_back(FormatText("FILE: hdrlen=%llu datlen=%llu is=%s\r\n  dec=%llu cmp=%llu\r\n  name=",
                                                 static_cast<unsigned long long>(headerEnd),
                                                 static_cast<unsigned long long>(dataSize), directory ? "-D-" : "F--",
                                                 static_cast<unsigned long long>(directory ? 0 : *unpacked),
                                                 static_cast<unsigned long long>(dataSize)) +
                                      ToUtf8(ToUtf16(name)) + "\r\n");
        }
        const std::uint64_t dataStart = at + headerEnd;
        if (dataSize > size - dataStart) break;
        at = dataStart + dataSize;
    }
    return true;
}

}  // namespace

std::optional<std::u16string> ListRarArchive(const FileBytesReader& read, std::uint64_t size, AnsiCodePage& codePage,
                                             std::u16string_view displayName) {
    const auto marker = ReadBytes(read, size, 0, std::min<std::uint64_t>(size, kRar5Marker.size()));
    if (!marker) return std::nullopt;
    Listing listing;
    bool readable = false;
    if (StartsWith(*marker, kRar5Marker)) {
        readable = WalkRar5(read, size, listing);
    } else if (StartsWith(*marker, kRar4Marker)) {
        const auto main = ReadBytes(read, size, kRar4Marker.size(), kBlockHeaderSize);
        if (!main || ByteReader(*main).U8(2) != kMainBlock) return std::nullopt;
        readable = WalkRar4(read, size, codePage, listing);
    } else {
        return std::nullopt;
    }
    if (!readable) return Text16(StringId::PreviewEncrypted);
    std::string text = "Archive: " + ToUtf8(displayName) + "\r\n" + listing.archiveComment;
    for (const std::string& entry : listing.entries) text += entry;
    return ToUtf16(text);
}

}  // namespace tundrel
