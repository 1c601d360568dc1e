#pragma once
// One file type's recognizer. A carving pass offers it every 512-byte block of the area it
// sweeps, in ascending sector order; the recognizer notices where a file of its type starts and
// works out the file's length from a length field, a fixed size, a walk over the format's own
// records or an end marker. A recognizer object lives for one pass and keeps what it follows
// (the pending file, the bytes walked, a header cut by a block end) to itself, so two passes
// never disturb each other.

#include <algorithm>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "support/byte_reader.h"

namespace tundrel {

inline constexpr std::size_t kCarveBlockBytes = 512;

// A file found by its content alone: one run of bytes from its first sector.
struct CarvedFile {
    std::uint64_t firstSector = 0;  // the sector number under which the source was read
    std::uint64_t size = 0;         // bytes
    std::u16string name;
    std::uint16_t date = 0;         // FAT date and packed time taken from the content; 0 when none
    std::uint32_t time = 0;
};

// Running numbers of the names of ZIP, RAR and MP3 finds that have no name of their own; they
// count over the whole run of the program, as the names users already have do. Assigning {}
// starts them again (a test that wants the names of a fresh run).
struct CarveNameCounters {
    unsigned zip = 1;
    unsigned rar = 1;
    unsigned mp3 = 1;
};
CarveNameCounters& ProgramNameCounters();

// Reads whole sectors of the carved source, for the few start tests that need bytes beyond the
// read buffer (a compound document's directory sector); false when they cannot be read.
using CarveSectorReader = std::function<bool(std::span<std::uint8_t> buffer, std::uint64_t firstSector)>;

struct CarveContext {
    CarveSectorReader readSectors;  // may be empty: such start tests then fail
    CarveNameCounters& counters;
};

// The block offered: `bytes` starts at its first byte and runs to the end of the read buffer
// that holds it (at least kCarveBlockBytes in a pass; a file's first bytes may be fewer);
// `sector` is the block's sector number.
struct CarveBlock {
    std::span<const std::uint8_t> bytes;
    std::uint64_t sector = 0;

    std::span<const std::uint8_t> Block() const { return bytes.first(std::min(bytes.size(), kCarveBlockBytes)); }
};

// A cheap necessary condition of a type's start test: the block's byte at `offset` is one of
// `bytes`. A block that fails it cannot start a file of the type, so a recognizer that follows
// no file need not see it.
struct StartKey {
    std::uint16_t offset = 0;  // below kCarveBlockBytes
    std::bitset<256> bytes;

    // No condition: every block may start a file.
    static StartKey Any() { return {0, std::bitset<256>().set()}; }
    static StartKey At(std::uint16_t offset, std::initializer_list<std::uint8_t> values) {
        StartKey key{offset, {}};
        for (std::uint8_t value : values) key.bytes.set(value);
        return key;
    }
    bool Admits(std::span<const std::uint8_t> block) const {
        const ByteReader reader(block);
        return reader.Has(offset, 1) && bytes[reader.U8(offset)];
    }
};

class Recognizer {
public:
    virtual ~Recognizer() = default;
    // The type's start test: whether a file of this type starts at the block's first byte. The
    // same test Offer applies; it keeps nothing, so any recognizer of the type can answer it.
    virtual bool Starts(const CarveBlock& block, CarveContext& context) const = 0;
    // Looks at one block and appends every file it completes to `found`.
    virtual void Offer(const CarveBlock& block, CarveContext& context, std::vector<CarvedFile>& found) = 0;
    // A necessary condition of Starts, which never changes.
    virtual StartKey Key() const { return StartKey::Any(); }
    // Whether Offer may act on a block whose start test fails: a file is being followed (a walk,
    // an end search, a header cut by a block end). When false, such a block changes nothing.
    virtual bool Pending() const { return true; }
};

using RecognizerFactory = std::unique_ptr<Recognizer> (*)();

}  // namespace tundrel
