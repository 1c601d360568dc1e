#include "fat/directory_block.h"

#include <algorithm>
#include <array>
#include <set>
#include <string_view>

#include "fat/directory_entry.h"
#include "fat/short_name_rules.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

// More entries that do not look like short names than this, and the block is not a directory.
constexpr int kBadEntryLimit = 16;

struct LongNameRun {
    bool active = false;
    std::size_t start = 0;
    std::size_t last = 0;
    std::uint8_t checksum = 0;
};

struct Tally {
    int good = 0;
    int bad = 0;
    int consistentLongNames = 0;
    int brokenLongNames = 0;
    bool holdsLongNames = false;
    bool tailStart = false;  // the block begins inside a long-named entry's tail
};

bool HasForbiddenNameByte(EntryBytes entry) {
    for (std::size_t i = 0; i < kShortNameBytes; ++i) {
        if (IsForbiddenShortNameByte(entry[i])) return true;
    }
    return false;
}

// The character a short name made from this long name begins with, as a byte, or 0 when it
// cannot be told (the long name begins with a character outside ASCII).
std::uint8_t ShortNameLeadFor(std::span<const std::uint8_t> block, const LongNameRun& run) {
    for (std::size_t index = run.last + 1; index-- > run.start;) {
        char16_t chars[kLongNameCharsPerEntry];
        LongNameChars(EntryAt(block, index), chars);
        for (const char16_t c : chars) {
            if (c == 0) return 0;
            if (c == u' ' || c == u'.') continue;
            if (c >= 0x80) return 0;
            if (c >= u'a' && c <= u'z') return static_cast<std::uint8_t>(c - u'a' + u'A');
            if (std::u16string_view(u"+,;=[]").find(c) != std::u16string_view::npos) return '_';
            return static_cast<std::uint8_t>(c);
        }
    }
    return 0;
}

bool IsPlausibleDate(std::uint16_t date) {
    const int year = 1980 + date / 512;
    const int month = (date >> 5) & 15;
    const int day = date & 31;
    return year > 1995 && year < 2050 && month >= 1 && month <= 12 && day >= 1;
}

// A space inside the field that is followed by something other than padding.
bool HasInnerSpace(EntryBytes field) {
    bool seenSpace = false;
    for (const std::uint8_t b : field) {
        if (b == ' ') {
            seenSpace = true;
        } else if (seenSpace) {
            return true;
        }
    }
    return false;
}

bool IsSkippedDotEntry(EntryBytes entry, std::size_t index) { return index < 2 && IsDotEntryName(entry); }

// The long-name entry just before the block names the block's first entry as its owner.
bool EntryBeforeVouches(EntryBytes before, EntryBytes first) {
    const ByteReader b(before);
    if (!b.Has(0, kFatEntryBytes) || b.U8(entry_field::kAttributes) != kAttrLongName) return false;
    if (IsFreedMark(b.U8(0)) || (b.U8(0) & 0x0F) != 1) return false;
    if (first[entry_field::kAttributes] == kAttrLongName || IsFreedMark(first[0])) return false;
    return b.U8(entry_field::kLongNameChecksum) == ShortNameChecksum(first);
}

// Blocks of short entries only get the stricter field checks that a long name would vouch for.
bool ShortEntriesArePlausible(std::span<const std::uint8_t> block, std::size_t used) {
    bool anyCapital = false;
    for (std::size_t i = 0; i < used; ++i) {
        const EntryBytes entry = EntryAt(block, i);
        if (IsSkippedDotEntry(entry, i)) continue;
        const ByteReader r(entry);
        if (!IsPlausibleDate(r.U16(entry_field::kCreatedDate)) || !IsPlausibleDate(r.U16(entry_field::kModifiedDate))) {
            return false;
        }
        for (std::size_t k = 0; k < kShortNameBytes; ++k) anyCapital |= entry[k] >= 'A' && entry[k] <= 'Z';
    }
    std::set<std::array<std::uint8_t, kShortNameBytes>> seen;
    for (std::size_t i = 0; i < used; ++i) {
        const EntryBytes entry = EntryAt(block, i);
        if (IsSkippedDotEntry(entry, i)) continue;
        const EntryBytes extension = entry.subspan(entry_field::kExtension, 3);
        if (!anyCapital && !IsAllSpaces(extension)) return false;
        if (IsFreedMark(entry[0])) continue;
        const ByteReader r(entry);
        if ((entry[entry_field::kAttributes] & kAttrDirectory) != 0 && r.U32(entry_field::kSize) != 0) return false;
        std::array<std::uint8_t, kShortNameBytes> name{};
        std::copy_n(entry.begin(), kShortNameBytes, name.begin());
        if (!seen.insert(name).second) return false;
        if (HasInnerSpace(entry.first(8)) || HasInnerSpace(extension) || HasForbiddenNameByte(entry)) return false;
    }
    return true;
}

// A cluster of a text file whose end is zero-filled: printable text, then only zeros.
bool ReadsAsPlainText(std::span<const std::uint8_t> block) {
    std::size_t textEnd = 0;
    while (textEnd < block.size()) {
        const std::uint8_t b = block[textEnd];
        if (b != '\t' && b != '\n' && b != '\r' && (b < 0x20 || b > 0x7E)) break;
        ++textEnd;
    }
    if (textEnd < 12 || textEnd + 8 > block.size()) return false;
    return IsAllZero(block.subspan(textEnd));
}

}  // namespace

bool IsFatDirectoryBlock(std::span<const std::uint8_t> block, std::size_t entryCount,
                         std::span<const std::uint8_t> entryBefore) {
    const std::size_t count = std::min(entryCount, block.size() / kFatEntryBytes);
    block = block.first(count * kFatEntryBytes);
    if (count == 0) return false;
    if (BeginsWithDotEntries(block)) return true;

    Tally tally;
    LongNameRun run;
    std::size_t used = count;  // entries before the first all-zero one
    for (std::size_t i = 0; i < count; ++i) {
        const EntryBytes entry = EntryAt(block, i);
        if (IsAllZero(entry)) {
            used = i;
            break;
        }
        if (i > 0) {
            const EntryBytes previous = EntryAt(block, i - 1);
            if (std::equal(entry.begin(), entry.end(), previous.begin()) && !IsFreedMark(previous[0])) return false;
        }
        if (entry[0] == 0 && entry[1] == 0) return false;
        if (IsSkippedDotEntry(entry, i)) continue;
        const std::uint8_t attributes = entry[entry_field::kAttributes];
        if ((attributes & kAttrReserved) != 0) return false;

        if (attributes == kAttrLongName) {
            const std::uint8_t checksum = entry[entry_field::kLongNameChecksum];
            if (run.active && checksum != run.checksum && run.start + 1 < i) return false;
            if (run.active && run.last + 1 == i && checksum == run.checksum) {
                run.last = i;
            } else {
                run = {true, i, i, checksum};
            }
            tally.holdsLongNames = true;
            continue;
        }

        if (HasForbiddenNameByte(entry)) return false;
        const bool followsRun = run.active && run.last + 1 == i;
        run.active = false;
        if (followsRun) {
            if (!IsFreedMark(entry[0])) {
                if (ShortNameChecksum(entry) != run.checksum) return false;
                const std::size_t runLength = run.last - run.start + 1;
                const int ordinal = block[run.start * kFatEntryBytes];
                const bool ordinalFits = ordinal - 0x41 == static_cast<int>(runLength) - 1;
                if (!ordinalFits && !IsValidShortName(entry) && !HasNumericTail(entry)) return false;
                if (++tally.consistentLongNames >= 2) return true;
            } else if (const std::uint8_t lead = ShortNameLeadFor(block, run); lead != 0) {
                std::array<std::uint8_t, kShortNameBytes> restored{};
                std::copy_n(entry.begin(), kShortNameBytes, restored.begin());
                restored[0] = lead;
                if (ShortNameChecksum(restored) != run.checksum) ++tally.brokenLongNames;
            }
            continue;
        }

        const bool validName = IsValidShortName(entry);
        const bool numericTail = HasNumericTail(entry);
        if (i == 0 && numericTail && !validName) {
            tally.tailStart = true;
            tally.holdsLongNames = true;
        } else if (validName || numericTail) {
            ++tally.good;
        } else if (++tally.bad > kBadEntryLimit) {
            return false;
        }
    }

    if (used == 0 || tally.brokenLongNames > 0) return false;
    if (!IsAllZero(block.subspan(used * kFatEntryBytes))) return false;

    if (used == 1 && tally.tailStart) return true;
    if (EntryBeforeVouches(entryBefore, EntryAt(block, 0)) && (tally.bad > tally.good || tally.tailStart)) return true;
    if (tally.bad > tally.good) return false;

    if (!tally.holdsLongNames && !ShortEntriesArePlausible(block, used)) return false;
    return !ReadsAsPlainText(block);
}

}  // namespace tundrel
