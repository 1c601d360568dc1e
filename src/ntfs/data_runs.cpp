#include "ntfs/data_runs.h"

#include <algorithm>

#include "support/byte_reader.h"

namespace tundrel {
namespace {

struct RunHeader {
    unsigned lengthBytes;  // L, low nibble
    unsigned deltaBytes;   // O, high nibble
    std::size_t Size() const { return 1 + lengthBytes + deltaBytes; }
};

RunHeader HeaderAt(const ByteReader& reader, std::size_t position) {
    const std::uint8_t header = reader.U8(position);
    return {header & 0x0Fu, static_cast<unsigned>(header >> 4u)};
}

std::uint64_t ReadUnsigned(const ByteReader& reader, std::size_t offset, unsigned width) {
    std::uint64_t value = 0;
    for (unsigned i = width; i-- > 0;) value = (value << 8) | reader.U8(offset + i);
    return value;
}

std::int64_t ReadSigned(const ByteReader& reader, std::size_t offset, unsigned width) {
    const std::uint64_t value = ReadUnsigned(reader, offset, width);
    const std::uint64_t signBit = std::uint64_t{1} << (width * 8 - 1);
    return static_cast<std::int64_t>((value ^ signBit) - signBit);
}

}  // namespace

bool DecodeRunList(std::span<const std::uint8_t> bytes, MftRunList& runs, std::size_t limit) {
    if (bytes.data() == nullptr || bytes.empty()) return false;
    const ByteReader reader(bytes);
    std::uint32_t cluster = 0;
    std::size_t position = 0;
    while (position < limit && reader.Has(position, 1)) {
        if (reader.U8(position) == 0) break;
        const RunHeader header = HeaderAt(reader, position);
        if (header.lengthBytes == 0 || header.lengthBytes > 4 || header.deltaBytes > 4) break;
        if (!reader.Has(position, header.Size())) break;
        const auto length = static_cast<std::uint32_t>(ReadUnsigned(reader, position + 1, header.lengthBytes));
        if (header.deltaBytes == 0) {
            runs.push_back({0, length, true});
        } else {
            const std::int64_t delta = ReadSigned(reader, position + 1 + header.lengthBytes, header.deltaBytes);
            cluster = static_cast<std::uint32_t>(cluster + static_cast<std::uint64_t>(delta));
            runs.push_back({cluster, length, false});
        }
        position += header.Size();
    }
    return true;
}

std::size_t RunListLength(std::span<const std::uint8_t> bytes, std::size_t maximum) {
    const ByteReader reader(bytes);
    const std::size_t bound = std::min(maximum, bytes.size());
    std::size_t length = 0;
    while (length < bound) {
        if (reader.U8(length) == 0) break;
        const RunHeader header = HeaderAt(reader, length);
        if (header.lengthBytes == 0 || header.lengthBytes > 4) break;
        length += header.Size();
    }
    return std::min(length, bound);
}

std::optional<std::uint32_t> FirstRunClusterUnsigned(std::span<const std::uint8_t> bytes) {
    const ByteReader reader(bytes);
    if (!reader.Has(0, 1)) return std::nullopt;
    const RunHeader header = HeaderAt(reader, 0);
    if (header.lengthBytes < 1 || header.lengthBytes > 4 || header.deltaBytes < 1 || header.deltaBytes > 4) {
        return std::nullopt;
    }
    if (!reader.Has(0, header.Size())) return std::nullopt;
    return static_cast<std::uint32_t>(ReadUnsigned(reader, 1 + header.lengthBytes, header.deltaBytes));
}

std::uint64_t TotalClusters(const MftRunList& runs) {
    std::uint64_t total = 0;
    for (const MftRun& run : runs) total += run.clusterCount;
    return total;
}

}  // namespace tundrel
