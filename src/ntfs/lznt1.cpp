#include "ntfs/lznt1.h"

#include <algorithm>
#include <array>

#include "support/byte_reader.h"

namespace tundrel {
namespace {

constexpr std::uint16_t kChunkSizeMask = 0x0FFF;

// How a 16-bit back-reference splits into displacement and length depends on how far into
// its chunk it stands: the further in, the more bits the displacement needs.
struct ReferenceSplit {
    std::uint8_t displacementShift;
    std::uint16_t lengthMask;
};

const std::array<ReferenceSplit, kLznt1ChunkBytes>& ReferenceSplits() {
    static const std::array<ReferenceSplit, kLznt1ChunkBytes> splits = [] {
        std::array<ReferenceSplit, kLznt1ChunkBytes> table{};
        for (std::size_t position = 1; position < table.size(); ++position) {
            unsigned extraBits = 0;
            for (std::size_t i = position - 1; i >= 0x10; i >>= 1) ++extraBits;
            table[position] = {static_cast<std::uint8_t>(12 - extraBits), static_cast<std::uint16_t>(0x0FFF >> extraBits)};
        }
        return table;
    }();
    return splits;
}

// Decodes one compressed chunk's data into output[chunkStart, chunkLimit).
bool DecodeChunk(std::span<const std::uint8_t> data, std::span<std::uint8_t> output, std::size_t chunkStart,
                 std::size_t chunkLimit, std::size_t& out) {
    const auto& splits = ReferenceSplits();
    const ByteReader reader(data);
    std::size_t in = 0;
    while (in < data.size() && out < chunkLimit) {
        const std::uint8_t flags = data[in++];
        for (unsigned bit = 0; bit < 8 && in < data.size() && out < chunkLimit; ++bit) {
            if ((flags & (1u << bit)) == 0) {
                output[out++] = data[in++];
                continue;
            }
            if (!reader.Has(in, 2)) return false;
            const std::uint16_t token = reader.U16(in);
            in += 2;
            const std::size_t position = out - chunkStart;
            if (position == 0) return false;
            const ReferenceSplit split = splits[position];
            const std::size_t displacement = static_cast<std::size_t>(token >> split.displacementShift) + 1;
            const std::size_t length = static_cast<std::size_t>(token & split.lengthMask) + 3;
            if (displacement > position) return false;
            const std::size_t end = std::min(out + length, chunkLimit);
            // Byte by byte: a reference may overlap the bytes it produces.
            for (; out < end; ++out) output[out] = output[out - displacement];
        }
    }
    return true;
}

}  // namespace

bool DecodeLznt1(std::span<const std::uint8_t> input, std::span<std::uint8_t> output, std::size_t& produced) {
    const ByteReader reader(input);
    std::size_t in = 0;
    std::size_t out = 0;
    std::size_t padTo = 0;  // where the previous chunk's 4096 bytes end
    bool sound = true;
    while (reader.Has(in, 2) && out < output.size()) {
        const std::uint16_t header = reader.U16(in);
        if (header == 0) break;
        const std::size_t stored = (header & kChunkSizeMask) + 1u;
        if (!reader.Has(in + 2, stored)) {
            sound = false;
            break;
        }
        if (out < padTo) {
            std::fill(output.begin() + static_cast<std::ptrdiff_t>(out), output.begin() + static_cast<std::ptrdiff_t>(padTo), 0);
            out = padTo;
            if (out >= output.size()) break;
        }
        const std::span<const std::uint8_t> data = input.subspan(in + 2, stored);
        const std::size_t chunkStart = out;
        const std::size_t chunkLimit = std::min(out + kLznt1ChunkBytes, output.size());
        if (stored == kLznt1ChunkBytes) {
            const std::size_t count = chunkLimit - out;
            std::copy_n(data.begin(), count, output.begin() + static_cast<std::ptrdiff_t>(out));
            out += count;
        } else if (!DecodeChunk(data, output, chunkStart, chunkLimit, out)) {
            sound = false;
            break;
        }
        padTo = chunkLimit;
        in += 2 + stored;
    }
    produced = out;
    return sound;
}

}  // namespace tundrel
