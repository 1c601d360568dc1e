#include "carve/flv_recognizer.h"

#include "carve/big_endian.h"
#include "carve/carved_name.h"
#include "carve/signature.h"
#include "carve/walking_recognizer.h"

namespace tundrel {
namespace {

constexpr std::uint64_t kFlvHeaderBytes = 9;
constexpr std::uint32_t kTagHeaderBytes = 11;
constexpr std::uint32_t kPreviousSizeBytes = 4;

bool IsTagType(std::uint8_t type) { return type == 8 || type == 9 || type == 18; }  // audio, video, script data

class FlvRecognizer final : public WalkingRecognizer {
public:
    FlvRecognizer() : WalkingRecognizer({.headerBytes = kPreviousSizeBytes + kTagHeaderBytes}) {}

private:
    std::optional<std::uint64_t> StartLength(const CarveBlock& block) const override {
        if (!HasBytes(block.Block(), 0, {'F', 'L', 'V', 1}) || !HasBytes(block.Block(), 9, {0, 0, 0, 0})) return std::nullopt;
        return kFlvHeaderBytes;
    }
    StartKey Key() const override { return StartKey::At(0, {'F'}); }
    void BeginFile(const CarveBlock&) override { previousTagSize_ = 0; }

    // Each record is the size of the tag before it, then a tag; the last tag's size closes the file.
    RecordStep ReadHeader(std::span<const std::uint8_t> header) override {
        const ByteReader reader(header);
        if (BigEndian32(reader, 0) != previousTagSize_) return RecordStep::End();
        const std::uint32_t dataSize = BigEndian(reader, 5, 3);
        if (dataSize == 0 || !IsTagType(reader.U8(4))) return RecordStep::End(kPreviousSizeBytes);
        previousTagSize_ = dataSize + kTagHeaderBytes;
        return RecordStep::Next(kPreviousSizeBytes + kTagHeaderBytes + std::uint64_t{dataSize});
    }
    std::u16string NameOf(const WalkedFile& file, CarveContext&) override {
        return NumberedName("Vedio FLV ", file.firstSector, ".flv");
    }

    std::uint32_t previousTagSize_ = 0;
};

}  // namespace

std::unique_ptr<Recognizer> MakeFlvRecognizer() { return std::make_unique<FlvRecognizer>(); }

}  // namespace tundrel
