#include "scan/recycle_bin_records.h"

#include <algorithm>

#include "platform/ansi_code_page.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

constexpr std::size_t kInfo2HeaderBytes = 20;
constexpr std::size_t kInfo2RecordBytes = 800;
constexpr std::size_t kInfo2AnsiPathBytes = 260;
constexpr std::size_t kInfo2NumberOffset = 260;
constexpr std::size_t kInfo2WidePathOffset = 280;
constexpr std::size_t kPathChars = 260;  // MAX_PATH, the terminating NUL included
constexpr std::size_t kItemPathOffset = 24;
constexpr std::size_t kItemLengthOffset = 24;  // version 2: path length in characters
constexpr std::size_t kItemV2PathOffset = 28;

// The characters up to the first NUL of a UTF-16 field; nothing when no NUL ends it.
std::optional<std::u16string> TerminatedWide(const ByteReader& reader, std::size_t offset, std::size_t maxChars) {
    std::u16string text;
    for (std::size_t i = 0; i < maxChars && reader.Has(offset + 2 * i, 2); ++i) {
        const char16_t c = reader.U16(offset + 2 * i);
        if (c == 0) return text;
        text.push_back(c);
    }
    return std::nullopt;
}

// The bytes up to the first NUL of an ANSI field, in the code page of the system that wrote
// them; nothing when no NUL ends it.
std::optional<std::u16string> TerminatedAnsi(const ByteReader& reader, std::size_t offset, std::size_t maxBytes,
                                             AnsiCodePage& codePage) {
    for (std::size_t i = 0; i < maxBytes && reader.Has(offset + i, 1); ++i) {
        if (reader.U8(offset + i) == 0) return codePage.Decode(reader.Bytes(offset, i));
    }
    return std::nullopt;
}

bool HasDriveRoot(std::u16string_view path) {
    return path.size() > 2 && path[1] == u':' && path[2] == u'\\';
}

bool IsRecycleDriveLetter(char16_t c) {
    return (c >= u'c' && c <= u'z') || (c >= u'C' && c <= u'Z');
}

// The INFO2 path of one record, of the two it holds; empty when neither is usable.
std::u16string ChooseInfo2Path(std::u16string ansi, std::u16string wide) {
    if (!HasDriveRoot(ansi)) ansi.clear();
    if (!HasDriveRoot(wide)) wide.clear();
    if (wide.size() > ansi.size() || (!wide.empty() && wide.rfind(u'\\') == ansi.rfind(u'\\'))) return wide;
    return ansi;
}

}  // namespace

bool HasSafeComponents(std::u16string_view path) {
    std::size_t start = 0;
    while (true) {
        const std::size_t end = std::min(path.find(u'\\', start), path.size());
        const std::u16string_view part = path.substr(start, end - start);
        if (part.empty() || part == u"." || part == u".." || part.find_first_of(std::u16string_view(u"/\0", 2)) != std::u16string_view::npos) {
            return false;
        }
        if (end == path.size()) return true;
        start = end + 1;
    }
}

std::map<std::uint32_t, std::u16string> ReadInfo2Paths(std::span<const std::uint8_t> bytes, AnsiCodePage& codePage) {
    std::map<std::uint32_t, std::u16string> paths;
    std::uint32_t previous = 0;
    for (std::size_t at = kInfo2HeaderBytes; at <= bytes.size() && bytes.size() - at >= kInfo2RecordBytes; at += kInfo2RecordBytes) {
        const ByteReader record(bytes.subspan(at, kInfo2RecordBytes));
        std::uint32_t number = record.U32(kInfo2NumberOffset);
        if (number > kLargestInfo2Number) continue;
        if (number == 0) number = previous + 1;
        previous = number;
        std::u16string path = ChooseInfo2Path(TerminatedAnsi(record, 0, kInfo2AnsiPathBytes, codePage).value_or(u""),
                                               TerminatedWide(record, kInfo2WidePathOffset, kPathChars).value_or(u""));
        if (path.empty() || !HasSafeComponents(path)) continue;
        paths.insert_or_assign(number, std::move(path));
    }
    return paths;
}

std::optional<std::u16string> ReadRecycledItemPath(std::span<const std::uint8_t> bytes) {
    const ByteReader reader(bytes);
    if (!reader.Has(0, 8)) return std::nullopt;
    std::optional<std::u16string> path;
    switch (reader.U64(0)) {
        case 1:
            path = TerminatedWide(reader, kItemPathOffset, kPathChars);
            break;
        case 2: {
            // The length counts the terminating NUL, which is dropped; any other NUL is damage.
            const std::size_t chars = reader.U32(kItemLengthOffset);
            if (chars == 0 || !reader.Has(kItemV2PathOffset, 2 * chars)) return std::nullopt;
            path.emplace();
            for (std::size_t i = 0; i < chars; ++i) path->push_back(reader.U16(kItemV2PathOffset + 2 * i));
            if (path->back() == 0) path->pop_back();
            break;
        }
        default:
            return std::nullopt;
    }
    if (!path || !HasDriveRoot(*path) || !IsRecycleDriveLetter((*path)[0]) || !HasSafeComponents(*path)) return std::nullopt;
    return path;
}

std::optional<std::uint32_t> RecycledFileNumber(std::u16string_view name) {
    if (name.size() < 3 || name[0] != u'D' || name[1] < u'c' || name[1] > u'z') return std::nullopt;
    std::uint32_t number = 0;
    std::size_t at = 2;
    for (; at < name.size() && name[at] >= u'0' && name[at] <= u'9'; ++at) {
        number = number * 10 + static_cast<std::uint32_t>(name[at] - u'0');
        if (number > kLargestInfo2Number) return std::nullopt;
    }
    if (at == 2) return std::nullopt;
    return number;
}

}  // namespace tundrel
