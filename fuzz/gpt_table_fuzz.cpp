// GUID partition tables, from any disk image. The input is the image: a protective MBR, the
// header at LBA 1 (of 512 or 4,096 bytes) and its entry array. When the input's last byte is
// odd, the header and array CRCs are set right first, so that the entries are parsed rather
// than refused at the checksums.

#include <zlib.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "disk/partition_list.h"
#include "disk/sector_source.h"
#include "memory_device.h"
#include "modes/all_scanners.h"
#include "support/byte_reader.h"

namespace {

using namespace tundrel;

void PutLe32(std::vector<std::uint8_t>& image, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4 && at + i < image.size(); ++i) image[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t Crc(const std::vector<std::uint8_t>& image, std::size_t at, std::size_t length) {
    if (at >= image.size()) return 0;
    length = std::min(length, image.size() - at);
    return static_cast<std::uint32_t>(::crc32(0, image.data() + at, static_cast<uInt>(length)));
}

// The CRCs of the header at `at` and of the array it names, as a partitioning tool writes them.
void SetChecksums(std::vector<std::uint8_t>& image, std::size_t at, std::size_t sectorBytes) {
    const ByteReader header(std::span<const std::uint8_t>(image).subspan(std::min(at, image.size())));
    if (header.U64(0) != 0x5452415020494645) return;
    const std::uint64_t arrayAt = header.U64(72) * sectorBytes;
    const std::uint64_t arrayBytes = std::uint64_t{header.U32(80)} * header.U32(84);
    const std::uint32_t headerBytes = std::min<std::uint32_t>(header.U32(12), 512);
    if (arrayAt < image.size() && arrayBytes <= (1u << 20)) PutLe32(image, at + 88, Crc(image, arrayAt, arrayBytes));
    PutLe32(image, at + 16, 0);
    PutLe32(image, at + 16, Crc(image, at, headerBytes));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> image(data, data + size);
    if (size != 0 && (data[size - 1] & 1) != 0) {
        SetChecksums(image, 512, 512);
        SetChecksums(image, 4096, 4096);
    }
    SectorSource source([&image](const std::string&, int&) -> std::unique_ptr<platform::Device> {
        return std::make_unique<test::MemoryDevice>(image);
    });
    if (!source.Open(u"/fuzz/gpt.img")) return 0;
    const std::atomic<std::uint32_t> stop{0};
    std::vector<std::string> notes;
    ListPartitions(source, stop, AllFileSystems(), &notes);
    return 0;
}
