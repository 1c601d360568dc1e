#include "preview/word_binary_text.h"

#include <algorithm>
#include <optional>
#include <span>
#include <vector>

#include "preview/text_wrap.h"
#include "support/byte_reader.h"
#include "support/strings.h"

namespace tundrel {
namespace {

constexpr std::size_t kMinimumWordStream = 1024;
constexpr std::uint16_t kWordEncryptedFlag = 0x0100;
constexpr std::uint16_t kTable1Flag = 0x0200;
constexpr std::size_t kFlagsAt = 10;
constexpr std::size_t kTextStartAt = 24;
constexpr std::size_t kTextEndAt = 28;
constexpr std::size_t kTextLimitAt = 64;
constexpr std::size_t kPieceTableAt = 418;
constexpr std::size_t kPieceTableLengthAt = 422;
constexpr std::size_t kMinimumTableStream = 512;
constexpr std::uint8_t kPropertyRecord = 1;
constexpr std::uint8_t kPieceDescriptors = 2;
constexpr std::size_t kDescriptorBytes = 8;
constexpr std::uint32_t kEightBitMask = 0xF0000000;
constexpr std::size_t kFallbackLineUnits = 81;

std::vector<std::uint8_t> StreamNamed(const CompoundDocument& document, std::u16string_view name) {
    const CompoundEntry* entry = document.FindStream(name);
    return entry != nullptr ? document.ReadStream(*entry) : std::vector<std::uint8_t>{};
}

// The text between the header's text bounds, for a document without a usable piece table.
std::u16string FallbackText(const ByteReader& word) {
    const std::uint32_t start = word.U32(kTextStartAt);
    const std::uint32_t end = word.U32(kTextEndAt);
    if (start == 0 || end <= start || !word.Has(end, 4)) return {};
    const std::size_t limit = std::min<std::size_t>(word.U32(kTextLimitAt), word.size());
    std::size_t at = start;
    while (at + 2 <= limit && word.U16(at) == 0) at += 2;
    std::u16string text;
    std::size_t lineUnits = 0;
    for (; at + 2 <= limit; at += 2) {
        const char16_t unit = static_cast<char16_t>(word.U16(at));
        if (unit < 8) continue;
        text.push_back(unit);
        if (++lineUnits == kFallbackLineUnits) {
            text += u"\r\n";
            lineUnits = 0;
        }
    }
    return text + u"\r\n";
}

// The text of the pieces the descriptor table at `at` names; nothing when the table is damaged.
std::optional<std::u16string> PieceText(const ByteReader& table, std::size_t at, const ByteReader& word,
                                        AnsiCodePage& codePage) {
    while (table.U8(at) == kPropertyRecord) {
        at += std::size_t{table.U16(at + 1)} + 3;
        if (!table.Has(at, 1)) return std::nullopt;
    }
    if (table.U8(at) != kPieceDescriptors) return std::nullopt;
    const std::uint32_t length = table.U32(at + 1);
    if (length < 12 || (length - 4) % 12 != 0 || !table.Has(at + 5, length)) return std::nullopt;
    const std::size_t pieces = (length - 4) / 12;
    const std::size_t positions = at + 5;
    const std::size_t descriptors = positions + 4 * (pieces + 1);
    std::u16string text;
    // Pieces do not overlap, so together they hold no more bytes than the stream: pieces of a
    // damaged table that name the same bytes over and over stop there.
    std::size_t bytesLeft = word.size();
    for (std::size_t i = 0; i < pieces; ++i) {
        const std::uint32_t first = table.U32(positions + 4 * i);
        const std::uint32_t next = table.U32(positions + 4 * (i + 1));
        const std::uint32_t offset = table.U32(descriptors + kDescriptorBytes * i + 2);
        if (next <= first || offset == 0) continue;
        const std::size_t count = next - first;
        const bool eightBit = (offset & kEightBitMask) != 0;
        const std::size_t start = eightBit ? (offset & ~kEightBitMask) / 2 : offset;
        const std::size_t bytes = eightBit ? count : 2 * count;
        // A piece must end at least 4 bytes before the end of the stream.
        if (!word.Has(start, bytes + 4)) continue;
        if (bytes > bytesLeft) break;
        bytesLeft -= bytes;
        const std::span<const std::uint8_t> piece = word.Bytes(start, bytes);
        std::u16string pieceText;
        if (eightBit) {
            pieceText = codePage.Decode(piece);
        } else {
            const ByteReader units(piece);
            for (std::size_t unit = 0; unit < count; ++unit) pieceText.push_back(static_cast<char16_t>(units.U16(2 * unit)));
        }
        std::replace(pieceText.begin(), pieceText.end(), u'\u00A0', u' ');
        text += pieceText;
    }
    return text;
}

}  // namespace

std::u16string WordBinaryText(const CompoundDocument& document, AnsiCodePage& codePage) {
    const std::vector<std::uint8_t> wordStream = StreamNamed(document, u"WordDocument");
    if (wordStream.size() < kMinimumWordStream) return {};
    const ByteReader word(wordStream);
    const std::uint16_t flags = word.U16(kFlagsAt);
    if ((flags & kWordEncryptedFlag) != 0) return Text16(StringId::PreviewEncrypted);

    const std::vector<std::uint8_t> tableStream = StreamNamed(document, (flags & kTable1Flag) != 0 ? u"1Table" : u"0Table");
    const ByteReader table(tableStream);
    const std::uint32_t pieceTableAt = word.U32(kPieceTableAt);
    const std::uint32_t pieceTableLength = word.U32(kPieceTableLengthAt);
    if (tableStream.size() < kMinimumTableStream || pieceTableAt < 1 || pieceTableLength < 17 ||
        !table.Has(pieceTableAt, pieceTableLength)) {
        return FallbackText(word);
    }
    const std::optional<std::u16string> text = PieceText(table, pieceTableAt, word, codePage);
    if (!text) return Text16(StringId::PreviewUnsupported);
    return WrapText(*text, kDocumentWrap);
}

}  // namespace tundrel
