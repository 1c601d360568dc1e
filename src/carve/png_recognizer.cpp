#include "carve/png_recognizer.h"

#include <algorithm>
#include <array>

#include "carve/big_endian.h"
#include "carve/carved_name.h"
#include "carve/signature.h"
#include "carve/walking_recognizer.h"

namespace tundrel {
namespace {

constexpr std::array<std::string_view, 24> kChunkTypes = {
    "IHDR", "cHRM", "gAMA", "sBIT", "PLTE", "bKGD", "hIST", "tRNS", "oFFs", "pHYs", "sCAL", "IDAT",
    "tIME", "tEXt", "zTXt", "fRAc", "gIFg", "gIFt", "gIFx", "iCCP", "iTXt", "sPLT", "sRGB", "IEND"};
constexpr std::uint64_t kSignatureBytes = 8;
constexpr std::uint32_t kChunkFrame = 12;  // length, type and CRC
constexpr std::uint32_t kMaxChunkLength = 104'857'600;

class PngRecognizer final : public WalkingRecognizer {
public:
    PngRecognizer() : WalkingRecognizer({.headerBytes = 8, .minimum = 1024}) {}

private:
    std::optional<std::uint64_t> StartLength(const CarveBlock& block) const override {
        if (!HasBytes(block.Block(), 0, {0x89, 'P', 'N', 'G'})) return std::nullopt;
        return kSignatureBytes;
    }
    StartKey Key() const override { return StartKey::At(0, {0x89}); }
    RecordStep ReadHeader(std::span<const std::uint8_t> header) override {
        const std::uint32_t length = BigEndian32(ByteReader(header), 0);
        const std::string type = TextOf(header, 4, 4);
        if (type == "IEND") return RecordStep::End(length == 0 ? kChunkFrame : 0);
        if (length > kMaxChunkLength || std::find(kChunkTypes.begin(), kChunkTypes.end(), type) == kChunkTypes.end()) {
            return RecordStep::End();
        }
        return RecordStep::Next(std::uint64_t{length} + kChunkFrame);
    }
    std::u16string NameOf(const WalkedFile& file, CarveContext&) override {
        return NumberedName("Picture PNG ", file.firstSector, ".png");
    }
};

}  // namespace

std::unique_ptr<Recognizer> MakePngRecognizer() { return std::make_unique<PngRecognizer>(); }

}  // namespace tundrel
