#include "ntfs/mft_attribute.h"

#include <algorithm>

#include "ntfs/mft_record_fixup.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

constexpr std::size_t kNonResidentField = 0x08;
constexpr std::size_t kAttributeNameLengthField = 0x09;
constexpr std::size_t kNameOffsetField = 0x0A;
constexpr std::size_t kDataFlagsField = 0x0C;
constexpr std::size_t kFirstVcnField = 0x10;
constexpr std::size_t kValueLengthField = 0x10;
constexpr std::size_t kValueOffsetField = 0x14;
constexpr std::size_t kRunListOffsetField = 0x20;
constexpr std::size_t kRealSizeField = 0x30;
constexpr std::size_t kInitializedSizeField = 0x38;
constexpr std::uint64_t kSizeMask = 0x0000FFFFFFFFFFFFull;
constexpr std::size_t kGuessedFirstAttribute = 0x30;
constexpr std::size_t kSecondGuessedFirstAttribute = 0x38;

}  // namespace

std::uint8_t MftAttribute::NonResidentFlag() const { return ByteReader(bytes).U8(kNonResidentField); }

std::uint8_t MftAttribute::NameLength() const { return ByteReader(bytes).U8(kAttributeNameLengthField); }

std::optional<std::u16string> MftAttribute::Name() const {
    const ByteReader reader(bytes);
    const std::size_t length = NameLength();
    const std::size_t offset = reader.U16(kNameOffsetField);
    if (!reader.Has(offset, 2 * length)) return std::nullopt;
    std::u16string name(length, u'\0');
    for (std::size_t i = 0; i < length; ++i) name[i] = reader.U16(offset + 2 * i);
    return name;
}

std::uint64_t MftAttribute::FirstVcn() const { return ByteReader(bytes).U64(kFirstVcnField); }

std::uint16_t MftAttribute::DataFlags() const { return ByteReader(bytes).U16(kDataFlagsField); }

std::uint32_t MftAttribute::ResidentValueLength() const { return ByteReader(bytes).U32(kValueLengthField); }

std::uint16_t MftAttribute::ResidentValueOffset() const { return ByteReader(bytes).U16(kValueOffsetField); }

std::span<const std::uint8_t> MftAttribute::ResidentValue() const {
    return ByteReader(bytes).Bytes(ResidentValueOffset(), ResidentValueLength());
}

std::uint16_t MftAttribute::RunListOffset() const { return ByteReader(bytes).U16(kRunListOffsetField); }

std::span<const std::uint8_t> MftAttribute::RunListBytes() const {
    const std::size_t offset = RunListOffset();
    if (offset >= bytes.size()) return {};
    return bytes.subspan(offset);
}

std::uint64_t MftAttribute::RealSize() const { return ByteReader(bytes).U64(kRealSizeField) & kSizeMask; }

std::uint64_t MftAttribute::InitializedSize() const { return ByteReader(bytes).U64(kInitializedSizeField) & kSizeMask; }

AttributeWalk::AttributeWalk(std::span<const std::uint8_t> record, std::size_t firstOffset, ZeroLengthAt0x30 zeroLength)
    : record_(record.first(std::min(record.size(), kMftRecordBytes))), offset_(firstOffset), zeroLength_(zeroLength) {}

std::optional<MftAttribute> AttributeWalk::Next() {
    const ByteReader reader(record_);
    while (end_ == WalkEnd::Running) {
        if (!reader.Has(offset_, 4)) {
            end_ = WalkEnd::Broken;
            break;
        }
        const std::uint32_t type = reader.U32(offset_);
        if (type == kAttrEndMarker) {
            end_ = WalkEnd::EndMarker;
            break;
        }
        const auto length = static_cast<std::int32_t>(reader.U32(offset_ + 4));
        if (!reader.Has(offset_, 8) || length <= 0) {
            if (zeroLength_ == ZeroLengthAt0x30::RetriesAt0x38 && offset_ == kGuessedFirstAttribute) {
                offset_ = kSecondGuessedFirstAttribute;
                continue;
            }
            end_ = WalkEnd::Broken;
            break;
        }
        // An attribute that claims to run past the record is where the record stops being sound.
        if (!reader.Has(offset_, static_cast<std::size_t>(length))) {
            end_ = WalkEnd::Broken;
            break;
        }
        MftAttribute attribute{offset_, type, record_.subspan(offset_, static_cast<std::size_t>(length))};
        offset_ += static_cast<std::size_t>(length);
        return attribute;
    }
    return std::nullopt;
}

std::optional<MftAttribute> AttributeWalk::Find(std::uint32_t type) {
    while (auto attribute = Next()) {
        if (attribute->type == type) return attribute;
    }
    return std::nullopt;
}

}  // namespace tundrel
