#pragma once
// The attributes of an MFT file record and the walk from one to the next.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tundrel {

enum AttributeType : std::uint32_t {
    kAttrStandardInformation = 0x10,
    kAttrAttributeList = 0x20,
    kAttrFileName = 0x30,
    kAttrData = 0x80,
    kAttrIndexRoot = 0x90,
    kAttrIndexAllocation = 0xA0,
    kAttrEndMarker = 0xFFFFFFFF,
};

// One attribute, as a view of its bytes; the view lies wholly inside the record, so every
// field read through it is inside the attribute too.
struct MftAttribute {
    std::size_t offset = 0;  // from the record start
    std::uint32_t type = 0;
    std::span<const std::uint8_t> bytes;

    std::size_t Length() const { return bytes.size(); }
    std::uint8_t NonResidentFlag() const;
    bool IsResident() const { return NonResidentFlag() == 0; }
    std::uint8_t NameLength() const;
    // The attribute's name (a stream name for $DATA); nothing when it does not lie inside
    // the attribute.
    std::optional<std::u16string> Name() const;
    // Non-resident: the first cluster index within the data that this extent holds.
    std::uint64_t FirstVcn() const;
    // The attribute's flags: compression in the low byte, 0x8000 sparse.
    std::uint16_t DataFlags() const;
    // Resident: the value as the header places it, or empty when it does not lie inside the
    // attribute.
    std::span<const std::uint8_t> ResidentValue() const;
    std::uint32_t ResidentValueLength() const;
    std::uint16_t ResidentValueOffset() const;
    // Non-resident: the bytes from the run-list offset to the attribute's end, or empty when
    // the offset lies outside the attribute.
    std::span<const std::uint8_t> RunListBytes() const;
    std::uint16_t RunListOffset() const;
    // Non-resident: the data size with its top 16 bits cleared.
    std::uint64_t RealSize() const;
    // Non-resident: how much of the data was written, top 16 bits cleared; the rest reads as zeros.
    std::uint64_t InitializedSize() const;
};

enum class WalkEnd {
    Running,
    EndMarker,  // the list ended with type 0xFFFFFFFF
    Broken,     // a length that does not move forward, an attribute past the record, or the record's end
};

enum class ZeroLengthAt0x30 {
    Breaks,
    // Records whose first attribute was guessed at 0x30 may really start at 0x38: the
    // scanner's bulk pass tries there once before giving up.
    RetriesAt0x38,
};

class AttributeWalk {
public:
    // `record` is cut to its first 1024 bytes.
    AttributeWalk(std::span<const std::uint8_t> record, std::size_t firstOffset,
                  ZeroLengthAt0x30 zeroLength = ZeroLengthAt0x30::Breaks);

    // The next attribute, or nothing once the walk has ended.
    std::optional<MftAttribute> Next();
    // The first attribute of `type` from here on.
    std::optional<MftAttribute> Find(std::uint32_t type);
    // Ends the walk as broken (a handler found the record unsound).
    void Break() { end_ = WalkEnd::Broken; }

    WalkEnd End() const { return end_; }
    // Where the walk stands: after EndMarker, the offset of the end marker.
    std::size_t Offset() const { return offset_; }

private:
    std::span<const std::uint8_t> record_;
    std::size_t offset_;
    ZeroLengthAt0x30 zeroLength_;
    WalkEnd end_ = WalkEnd::Running;
};

}  // namespace tundrel
