#include "preview/found_file_reader.h"

#include <algorithm>

#include "scan/size_bounds.h"
#include "scan/volume_scanner.h"

namespace tundrel {

FoundFileReader::FoundFileReader(VolumeScanner& scanner, const ScanNode& node) : scanner_(scanner), node_(node) {
    located_ = node.size == 0 || scanner.BuildExtents(node, extents_);
    if (located_) size_ = BytesToCopy(scanner, node, extents_);
}

bool FoundFileReader::Read(std::uint64_t offset, std::span<std::uint8_t> buffer) {
    if (!located_ || offset > size_ || buffer.size() > size_ - offset) {
        std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
        return false;
    }
    return buffer.empty() || scanner_.ReadNodeData(buffer, offset, node_, extents_);
}

FileBytesReader FoundFileReader::AsBytesReader() {
    return [this](std::uint64_t offset, std::span<std::uint8_t> buffer) { return Read(offset, buffer); };
}

}  // namespace tundrel
