#include "carve/mpeg_recognizer.h"

#include "carve/big_endian.h"
#include "carve/carved_name.h"
#include "carve/signature.h"
#include "carve/walking_recognizer.h"

namespace tundrel {
namespace {

constexpr std::uint8_t kPackStart = 0xBA;
constexpr std::uint8_t kProgramEnd = 0xB9;
constexpr std::uint8_t kFirstStream = 0x80;  // system header, padding and the elementary streams lie above

// The MPEG version a pack header's fifth byte marks ('01' MPEG-2, '0010' MPEG-1); 0 for neither.
int PackVersion(std::span<const std::uint8_t> pack) {
    const std::uint8_t marker = ByteReader(pack).U8(4);
    if ((marker & 0xC0) == 0x40) return 2;
    if ((marker & 0xF0) == 0x20) return 1;
    return 0;
}

// The pack header's length by its version; 0 for none. An MPEG-2 pack may carry up to seven
// stuffing bytes.
std::uint32_t PackHeaderLength(std::span<const std::uint8_t> pack) {
    switch (PackVersion(pack)) {
        case 2: return 14 + (ByteReader(pack).U8(13) & 0x07);
        case 1: return 12;
        default: return 0;
    }
}

class MpegRecognizer final : public WalkingRecognizer {
public:
    MpegRecognizer() : WalkingRecognizer({.headerBytes = 20, .minimum = 4096}) {}

private:
    // The first pack is the first record.
    std::optional<std::uint64_t> StartLength(const CarveBlock& block) const override {
        if (!HasBytes(block.Block(), 0, {0, 0, 1, kPackStart}) || PackHeaderLength(block.Block()) == 0) return std::nullopt;
        return 0;
    }
    StartKey Key() const override { return StartKey::At(3, {kPackStart}); }
    void BeginFile(const CarveBlock& block) override { version_ = PackVersion(block.Block()); }
    RecordStep ReadHeader(std::span<const std::uint8_t> header) override {
        if (!HasBytes(header, 0, {0, 0, 1})) return RecordStep::End();
        const std::uint8_t code = header[3];
        if (code == kPackStart) {
            // A stream keeps its version: a pack of the other one starts the next file laid
            // straight after this one.
            const std::uint32_t length = PackHeaderLength(header);
            return length == 0 || PackVersion(header) != version_ ? RecordStep::End() : RecordStep::Next(length);
        }
        if (code == kProgramEnd) return RecordStep::End(4);
        if (code < kFirstStream) return RecordStep::End();
        return RecordStep::Next(BigEndian16(ByteReader(header), 4) + 6u);
    }
    std::u16string NameOf(const WalkedFile& file, CarveContext&) override {
        return NumberedName("Vedio MPG or MPEG ", file.firstSector, ".mpg");
    }

    int version_ = 0;  // of the pending stream's first pack
};

}  // namespace

std::unique_ptr<Recognizer> MakeMpegRecognizer() { return std::make_unique<MpegRecognizer>(); }

}  // namespace tundrel
