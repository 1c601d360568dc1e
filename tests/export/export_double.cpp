#include "export_double.h"

#include "scan/node_links.h"
#include "support/text.h"

namespace tundrel::test {

DoubleVolumes::DoubleVolumes() : image_(PatternBytes(kDoubleImageSectors * 512)) {
    const auto path = dir / "volume.img";
    WriteBinaryFile(path, image_);
    ScanTask task;
    task.sourceName = ToUtf16(path.string());
    context_ = std::make_unique<ScanContext>(environment_, task);
    context_->source.Open(task.sourceName);
}

DoubleScanner& DoubleVolumes::Add(std::uint32_t fsType) {
    auto scanner = std::make_unique<DoubleScanner>(*context_, fsType);
    scanner->volumeSectors = kDoubleImageSectors;
    NameRootFolders(scanner->roots, tree.pool);
    for (ScanNode& root : scanner->roots.roots) root.flags |= kFlagDirectory;
    DoubleScanner& made = *scanner;
    context_->scanners.push_back(std::move(scanner));
    return made;
}

ScanNode DoubleVolumes::File(std::u16string_view name, std::uint32_t location, std::uint64_t size,
                             std::uint32_t flags) {
    ScanNode node = tree.File(name, size, flags | kFlagContiguous);
    node.location = location;
    return node;
}

void DoubleVolumes::Place(DoubleScanner& scanner, RootIndex root, std::vector<ScanNode> children,
                          std::uint32_t rootFlags) {
    scanner.roots[root].children = std::move(children);
    scanner.roots[root].Set(rootFlags, true);
    LinkParents(scanner.roots[root], LinkDepth::WholeSubtree);
}

std::vector<std::uint8_t> DoubleVolumes::ImageBytes(std::uint32_t location, std::uint64_t size) const {
    const auto first = image_.begin() + static_cast<std::ptrdiff_t>(location) * 512;
    return {first, first + static_cast<std::ptrdiff_t>(size)};
}

}  // namespace tundrel::test
