#pragma once
// Reads the archive format that ArchiveWriter writes, from a stream of known length. Every
// read is checked against the bytes left: a read past them fails, and once one read failed
// every later one does too and gives zeros, so a caller checks Good() where it matters.

#include <cstddef>
#include <cstdint>
#include <istream>
#include <span>
#include <string>

namespace tundrel {

class ArchiveReader {
public:
    // Reads at most `length` bytes of `in` from where it stands.
    ArchiveReader(std::istream& in, std::uint64_t length) : in_(in), left_(length) {}

    std::uint8_t U8();
    std::uint16_t U16();
    std::uint32_t U32();
    std::uint64_t U64();
    // Fills `bytes` wholly, or fails and zero-fills it.
    bool Bytes(std::span<std::uint8_t> bytes);
    // A counted UTF-16 string; anything but that form (an 8-bit string, a length running past
    // the bytes left) fails and gives an empty string.
    std::u16string String();

    bool Good() const { return good_; }
    std::uint64_t Left() const { return left_; }
    // True when `count` items of at least `itemBytes` bytes each can still follow: the check
    // made before anything is allocated for a count read from the archive.
    bool CanHold(std::uint64_t count, std::uint64_t itemBytes) const;
    // Marks the archive as damaged, for a value that a caller finds out of range.
    void Fail() { good_ = false; }

    // The format version of the file being read, as its header gives it; the readers of the
    // records ask it for the fields later versions added.
    std::uint16_t version = 0;

private:
    std::istream& in_;
    std::uint64_t left_;
    bool good_ = true;
};

}  // namespace tundrel
