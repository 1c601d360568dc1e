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

// The pack header's length by the MPEG version its fifth byte marks ('01' MPEG-2, '0010'
// MPEG-1); 0 for neither. An MPEG-2 pack may carry up to seven stuffing bytes.
std::uint32_t PackHeaderLength(std::span<const std::uint8_t> pack) {
    const ByteReader reader(pack);
    if ((reader.U8(4) & 0xC0) == 0x40) return 14 + (reader.U8(13) & 0x07);
    if ((reader.U8(4) & 0xF0) == 0x20) return 12;
    return 0;
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
    RecordStep ReadHeader(std::span<const std::uint8_t> header) override {
        if (!HasBytes(header, 0, {0, 0, 1})) return RecordStep::End();
        const std::uint8_t code = header[3];
        if (code == kPackStart) {
            const std::uint32_t length = PackHeaderLength(header);
            return length == 0 ? RecordStep::End() : RecordStep::Next(length);
        }
        if (code == kProgramEnd) return RecordStep::End(4);
        if (code < kFirstStream) return RecordStep::End();
        return RecordStep::Next(BigEndian16(ByteReader(header), 4) + 6u);
    }
    std::u16string NameOf(const WalkedFile& file, CarveContext&) override {
        return NumberedName("Vedio MPG or MPEG ", file.firstSector, ".mpg");
    }
};

}  // namespace

std::unique_ptr<Recognizer> MakeMpegRecognizer() { return std::make_unique<MpegRecognizer>(); }

}  // namespace tundrel
