#include "carve/rmvb_recognizer.h"

#include <algorithm>
#include <array>

#include "carve/big_endian.h"
#include "carve/carved_name.h"
#include "carve/signature.h"
#include "carve/walking_recognizer.h"

namespace tundrel {
namespace {

constexpr std::array<std::string_view, 5> kChunks = {"CONT", "PROP", "MDPR", "DATA", "INDX"};
constexpr std::uint32_t kChunkHeaderBytes = 8;

class RmvbRecognizer final : public WalkingRecognizer {
public:
    RmvbRecognizer() : WalkingRecognizer({.headerBytes = kChunkHeaderBytes}) {}

private:
    // The ".RMF" chunk is the first record.
    std::optional<std::uint64_t> StartLength(const CarveBlock& block) const override {
        if (!HasText(block.Block(), 0, ".RMF")) return std::nullopt;
        return BigEndian32(ByteReader(block.Block()), 4);
    }
    StartKey Key() const override { return StartKey::At(0, {'.'}); }
    RecordStep ReadHeader(std::span<const std::uint8_t> header) override {
        const std::uint32_t size = BigEndian32(ByteReader(header), 4);
        if (size < kChunkHeaderBytes || std::find(kChunks.begin(), kChunks.end(), TextOf(header, 0, 4)) == kChunks.end()) {
            return RecordStep::End();
        }
        return RecordStep::Next(size);
    }
    std::u16string NameOf(const WalkedFile& file, CarveContext&) override {
        return NumberedName("Vedio RM or RMVB ", file.firstSector, ".rmvb");
    }
};

}  // namespace

std::unique_ptr<Recognizer> MakeRmvbRecognizer() { return std::make_unique<RmvbRecognizer>(); }

}  // namespace tundrel
