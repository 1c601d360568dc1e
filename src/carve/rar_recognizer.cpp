#include "carve/rar_recognizer.h"

#include <zlib.h>

#include "carve/archive_name.h"
#include "carve/signature.h"
#include "carve/walking_recognizer.h"
#include "support/text.h"

namespace tundrel {
namespace {

constexpr std::size_t kMainHeaderAt = 7;
constexpr std::uint16_t kMainHeaderSize = 13;
constexpr std::size_t kFirstFileAt = kMainHeaderAt + kMainHeaderSize;
constexpr std::size_t kFileHeaderBytes = 32;  // before the name
constexpr std::uint8_t kFileHeader = 't';
constexpr std::uint8_t kMarkerHeader = 'r';
constexpr std::uint8_t kSubHeader = 'z';
constexpr std::uint32_t kEndHeaderBytes = 7;
constexpr std::size_t kMaxFirstNameBytes = 259;
constexpr std::uint16_t kMaxNameBytes = 779;
constexpr std::uint8_t kMaxHostSystem = 5;
constexpr std::uint8_t kMaxVersion = 59;

// The main header's CRC covers its bytes after the CRC field; the header keeps the low 16 bits.
bool MainHeaderChecks(std::span<const std::uint8_t> block) {
    const ByteReader reader(block);
    const std::span<const std::uint8_t> covered = reader.Bytes(kMainHeaderAt + 2, kMainHeaderSize - 2);
    if (covered.empty() || reader.U16(kMainHeaderAt + 5) != kMainHeaderSize) return false;
    const uLong crc = crc32(crc32(0, nullptr, 0), covered.data(), static_cast<uInt>(covered.size()));
    return reader.U16(kMainHeaderAt) == static_cast<std::uint16_t>(crc & 0xFFFF);
}

class RarRecognizer final : public WalkingRecognizer {
public:
    RarRecognizer() : WalkingRecognizer({.headerBytes = kFileHeaderBytes}) {}

private:
    // The marker, the main header and the first file header with its data are the first record.
    std::optional<std::uint64_t> StartLength(const CarveBlock& block) const override {
        const std::span<const std::uint8_t> bytes = block.Block();
        const ByteReader reader(bytes);
        const std::uint16_t nameLength = reader.U16(kFirstFileAt + 26);
        if (!HasBytes(bytes, 0, {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00}) || !MainHeaderChecks(bytes) ||
            reader.U8(kFirstFileAt + 2) != kFileHeader || nameLength == 0 || nameLength > kMaxFirstNameBytes) {
            return std::nullopt;
        }
        return kFirstFileAt + std::uint64_t{reader.U16(kFirstFileAt + 5)} + reader.U32(kFirstFileAt + 7);
    }
    StartKey Key() const override { return StartKey::At(4, {0x1A}); }
    // The name may run past the block into the rest of the read buffer; a Unicode name follows
    // its 8-bit form after a zero byte.
    void BeginFile(const CarveBlock& block) override {
        const std::string name = TextOf(block.bytes, kFirstFileAt + kFileHeaderBytes, ByteReader(block.bytes).U16(kFirstFileAt + 26));
        firstName_ = ToUtf16(name.substr(0, name.find('\0')));
    }
    RecordStep ReadHeader(std::span<const std::uint8_t> header) override {
        const ByteReader reader(header);
        const std::uint8_t type = reader.U8(2);
        const std::uint16_t size = reader.U16(5);
        const std::uint16_t nameLength = reader.U16(26);
        const std::uint8_t version = reader.U8(24);
        const bool entry = type == kFileHeader || type == kMarkerHeader || type == kSubHeader;
        if (!entry || size < nameLength + kFileHeaderBytes || nameLength > kMaxNameBytes || reader.U8(15) > kMaxHostSystem ||
            version == 0 || version > kMaxVersion || reader.U32(28) == 0xFFFF'FFFF) {
            return RecordStep::End(kEndHeaderBytes);  // the end-of-archive header
        }
        return RecordStep::Next(std::uint64_t{size} + reader.U32(7));
    }
    std::u16string NameOf(const WalkedFile&, CarveContext& context) override {
        return ArchiveName(firstName_, "Rar ", ".rar", context.counters.rar);
    }

    std::u16string firstName_;
};

}  // namespace

std::unique_ptr<Recognizer> MakeRarRecognizer() { return std::make_unique<RarRecognizer>(); }

}  // namespace tundrel
