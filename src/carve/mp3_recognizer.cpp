#include "carve/mp3_recognizer.h"

#include <array>
#include <string_view>

#include "carve/big_endian.h"
#include "carve/carved_name.h"
#include "carve/signature.h"
#include "carve/walking_recognizer.h"
#include "support/text.h"

namespace tundrel {
namespace {

constexpr std::size_t kTagHeaderBytes = 10;
constexpr std::size_t kTagFrameHeaderBytes = 10;
constexpr std::size_t kVersion1TagBytes = 128;
constexpr std::size_t kVersion1TitleAt = 3;
constexpr std::size_t kVersion1TitleBytes = 30;
constexpr std::uint32_t kMinFrames = 11;
constexpr std::uint32_t kMinFrameBytes = 4;
constexpr std::size_t kMaxNameLength = 50;

// MPEG-1 Layer III bitrates (kbit/s) and sample rates (Hz) by their header indexes.
constexpr std::array<std::uint32_t, 15> kBitrates = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr std::array<std::uint32_t, 3> kSampleRates = {44100, 48000, 32000};

struct FrameHeader {
    std::uint8_t bitrateIndex = 0;
    std::uint8_t sampleRateIndex = 0;
    std::uint32_t length = 0;
};

std::optional<FrameHeader> ReadFrameHeader(std::span<const std::uint8_t> bytes) {
    const ByteReader reader(bytes);
    if (!reader.Has(0, 4)) return std::nullopt;
    const std::uint8_t b1 = reader.U8(1), b2 = reader.U8(2);
    // Sync, MPEG-1 ('11'), Layer III ('01').
    if (reader.U8(0) != 0xFF || (b1 & 0xFE) != 0xFA) return std::nullopt;
    const FrameHeader header{static_cast<std::uint8_t>(b2 >> 4), static_cast<std::uint8_t>((b2 >> 2) & 3), 0};
    if (header.bitrateIndex >= kBitrates.size() || header.sampleRateIndex >= kSampleRates.size() || (b2 & 1) != 0) {
        return std::nullopt;
    }
    const std::uint32_t length =
        144000 * kBitrates[header.bitrateIndex] / kSampleRates[header.sampleRateIndex] + ((b2 >> 1) & 1);
    if (length < kMinFrameBytes) return std::nullopt;
    return FrameHeader{header.bitrateIndex, header.sampleRateIndex, length};
}

// ISO-8859-1 text up to its first zero byte.
std::u16string Latin1Text(std::span<const std::uint8_t> bytes) {
    std::u16string text;
    for (std::uint8_t c : bytes) {
        if (c == 0) break;
        text.push_back(c);
    }
    return text;
}

// An ID3 text: its encoding byte, then the text up to its first terminator.
std::u16string TagText(std::span<const std::uint8_t> data) {
    const ByteReader reader(data);
    std::u16string text;
    const std::uint8_t encoding = reader.U8(0);
    if (encoding == 1 || encoding == 2) {  // UTF-16 with a byte-order mark, or big-endian
        std::size_t at = 1;
        bool bigEndian = encoding == 2;
        if (encoding == 1 && reader.Has(1, 2)) {
            bigEndian = reader.U16(1) == 0xFFFE;
            at = 3;
        }
        for (; reader.Has(at, 2); at += 2) {
            const auto unit = static_cast<char16_t>(bigEndian ? BigEndian16(reader, at) : reader.U16(at));
            if (unit == 0) break;
            text.push_back(unit);
        }
        return text;
    }
    if (encoding == 3) {
        const std::string bytes = TextOf(data, 1, data.size());
        return ToUtf16(std::string_view(bytes.c_str()));
    }
    return Latin1Text(reader.Bytes(1, data.size() - 1));
}

class Mp3Recognizer final : public WalkingRecognizer {
public:
    Mp3Recognizer() : WalkingRecognizer({.headerBytes = kVersion1TitleAt + kVersion1TitleBytes}) {}

private:
    // A tag is the first record; a frame at the start is read as the first record.
    std::optional<std::uint64_t> StartLength(const CarveBlock& block) const override {
        const std::span<const std::uint8_t> bytes = block.Block();
        if (HasBytes(bytes, 0, {'I', 'D', '3', 3, 0})) {
            const std::uint64_t size = TagSize(bytes);
            if (size > kTagHeaderBytes) return size + kTagHeaderBytes;
            return std::nullopt;
        }
        if (ReadFrameHeader(bytes)) return 0;
        return std::nullopt;
    }
    StartKey Key() const override { return StartKey::At(0, {'I', 0xFF}); }  // a tag or a frame's sync
    static std::uint64_t TagSize(std::span<const std::uint8_t> bytes) {
        const ByteReader reader(bytes);
        std::uint64_t size = 0;
        for (std::size_t i = 6; i < 10; ++i) size = (size << 7) | (reader.U8(i) & 0x7F);  // syncsafe: 7 bits a byte
        return size;
    }
    void BeginFile(const CarveBlock& block) override {
        frames_ = 0;
        first_.reset();
        title_.clear();
        artist_.clear();
        album_.clear();
        if (HasText(block.Block(), 0, "ID3")) ReadTextFrames(block.Block());
    }
    // The title, artist and album frames among the tag's frames in the first block.
    void ReadTextFrames(std::span<const std::uint8_t> block) {
        const ByteReader reader(block);
        const std::uint64_t tagEnd = std::min<std::uint64_t>(TagSize(block) + kTagHeaderBytes, block.size());
        for (std::uint64_t at = kTagHeaderBytes; at + kTagFrameHeaderBytes <= tagEnd;) {
            const std::string id = TextOf(block, at, 4);
            if (id[0] == '\0') break;  // padding
            const std::uint64_t size = BigEndian32(reader, at + 4);
            const std::uint64_t dataAt = at + kTagFrameHeaderBytes;
            const std::span<const std::uint8_t> data =
                block.subspan(dataAt, std::min<std::uint64_t>(size, block.size() - dataAt));
            if (id == "TIT2") title_ = TagText(data);
            if (id == "TPE1") artist_ = TagText(data);
            if (id == "TALB") album_ = TagText(data);
            at = dataAt + size;
        }
    }
    RecordStep ReadHeader(std::span<const std::uint8_t> header) override {
        if (HasText(header, 0, "TAG")) {
            if (title_.empty()) title_ = Latin1Text(header.subspan(kVersion1TitleAt, kVersion1TitleBytes));
            return RecordStep::End(kVersion1TagBytes);
        }
        const std::optional<FrameHeader> frame = ReadFrameHeader(header);
        if (!frame) return RecordStep::End();
        if (!first_) first_ = frame;
        if (frame->bitrateIndex != first_->bitrateIndex || frame->sampleRateIndex != first_->sampleRateIndex) {
            return RecordStep::End();
        }
        ++frames_;
        return RecordStep::Next(frame->length);
    }
    bool Keeps(const WalkedFile&) const override { return frames_ >= kMinFrames; }
    std::u16string NameOf(const WalkedFile&, CarveContext& context) override {
        std::u16string joined;
        for (const std::u16string* text : {&title_, &artist_, &album_}) {
            if (!text->empty()) joined += *text + u"_";
        }
        if (!joined.empty()) joined.pop_back();
        std::u16string name;
        for (char16_t c : joined) {
            if (c >= 33 && std::u16string_view(u"\\/:\"<>|*?").find(c) == std::u16string_view::npos) name.push_back(c);
        }
        if (!name.empty() && name.size() <= kMaxNameLength) return name + u".mp3";
        return NumberedName("MP3_", context.counters.mp3++, ".mp3");
    }

    std::uint32_t frames_ = 0;
    std::optional<FrameHeader> first_;
    std::u16string title_, artist_, album_;
};

}  // namespace

std::unique_ptr<Recognizer> MakeMp3Recognizer() { return std::make_unique<Mp3Recognizer>(); }

}  // namespace tundrel
