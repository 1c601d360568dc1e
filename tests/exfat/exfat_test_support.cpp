#include "exfat/exfat_test_support.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>

#include "disk/fs_type.h"
#include "exfat/exfat_entry_set.h"
#include "support/text.h"
#include "test_support.h"

namespace tundrel::test {
namespace fs = std::filesystem;
namespace {

void Put(std::span<std::uint8_t> bytes, std::size_t at, std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

std::vector<std::uint8_t> EntrySet(const SetLayout& layout) {
    const std::size_t names = layout.nameEntries != 0 ? layout.nameEntries : std::max<std::size_t>(1, (layout.name.size() + 14) / 15);
    std::vector<std::uint8_t> set((2 + names) * 32, 0);
    const std::span<std::uint8_t> b(set);
    b[0] = 0x85;
    b[1] = static_cast<std::uint8_t>(1 + names);
    Put(b, 4, layout.attributes, 2);
    for (const std::size_t stamp : {8, 12, 16}) Put(b, stamp, 0x58354A00, 4);  // 2024-01-21 09:16:00
    b[32] = 0xC0;
    b[33] = layout.streamFlags;
    b[35] = static_cast<std::uint8_t>(layout.nameLength < 0 ? layout.name.size() : layout.nameLength);
    Put(b, 36, static_cast<std::uint16_t>(NameHash(layout.name).value_or(0) + layout.hashDelta), 2);
    Put(b, 40, layout.length, 8);
    Put(b, 52, layout.firstCluster, 4);
    Put(b, 56, layout.length, 8);
    for (std::size_t i = 0; i < names * 15; ++i) {
        if (i % 15 == 0) b[64 + i / 15 * 32] = 0xC1;
        if (i < layout.name.size()) Put(b, 64 + i / 15 * 32 + 2 + i % 15 * 2, layout.name[i], 2);
    }
    Put(b, 2, EntrySetChecksum(set), 2);
    for (std::size_t at = 0; layout.deleted && at < set.size(); at += 32) set[at] &= 0x7F;
    return set;
}

std::vector<std::uint8_t> Block(std::initializer_list<std::vector<std::uint8_t>> entries) {
    std::vector<std::uint8_t> block;
    for (const auto& entry : entries) {
        block.insert(block.end(), entry.begin(), entry.end());
        block.resize((block.size() + 31) / 32 * 32, 0);  // a lone type byte is a whole entry
    }
    block.resize(4096, 0);
    return block;
}

ExFatScan::ExFatScan(const fs::path& image, ScanSetup setup) {
    ScanTask task;
    task.sourceName = ToUtf16(image.string());
    task.mode = setup.mode;
    context = std::make_unique<ScanContext>(environment, task);
    source = setup.opener ? std::make_unique<SectorSource>(setup.opener) : std::make_unique<SectorSource>();
    if (!source->Open(task.sourceName)) return;
    progress.taskMode = setup.mode;
    progress.stopRequested = setup.stopRequested ? 1 : 0;
    scanner = std::make_unique<ExFatScanner>(*context, kFsExFat);
    scanner->source = scanner->readSource = source.get();
    scanner->volumeStart = setup.volumeStart;
    scanner->volumeSectors = setup.volumeSectors;
    if (source->ReadSectors(scanner->bootSector, setup.volumeStart)) {
        scanner->bootLoaded = true;
        scanner->OnBootSectorLoaded();
    }
    scanner->Scan();
}

platform::ReadStatus MemoryDevice::Read(std::span<std::uint8_t> buffer, std::uint64_t byteOffset, int&) {
    reads_->push_back(byteOffset);
    std::fill(buffer.begin(), buffer.end(), 0);
    if (byteOffset + buffer.size() > totalBytes_) return platform::ReadStatus::Failed;
    const std::uint64_t from = std::max(byteOffset, offset_);
    const std::uint64_t to = std::min(byteOffset + buffer.size(), offset_ + bytes_->size());
    if (from < to) std::memcpy(buffer.data() + (from - byteOffset), bytes_->data() + (from - offset_), to - from);
    return platform::ReadStatus::Ok;
}

const ScanNode* FindPath(const ScanNode& root, std::string_view path) {
    const ScanNode* node = &root;
    while (node != nullptr && !path.empty()) {
        const std::u16string name = ToUtf16(path.substr(0, path.find('/')));
        const auto found = std::find_if(node->children.begin(), node->children.end(),
                                        [&](const ScanNode& child) { return child.name != nullptr && child.name == name; });
        node = found == node->children.end() ? nullptr : &*found;
        path = path.find('/') == std::string_view::npos ? std::string_view() : path.substr(path.find('/') + 1);
    }
    return node;
}

void ForEachNode(const ScanNode& root, const std::function<void(const ScanNode&, const std::string&)>& visit) {
    for (const ScanNode& child : root.children) {
        const std::string path = child.name != nullptr ? ToUtf8(child.name) : std::string();
        visit(child, path);
        ForEachNode(child, [&](const ScanNode& node, const std::string& below) { visit(node, path + "/" + below); });
    }
}

std::optional<std::vector<std::uint8_t>> ReadNodeBytes(VolumeScanner& scanner, const ScanNode& node) {
    ExtentList extents;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(node.size));
    if (node.size == 0) return bytes;
    if (!scanner.BuildExtents(node, extents) || !scanner.ReadNodeData(bytes, 0, node, extents)) return std::nullopt;
    return bytes;
}

std::vector<ManifestFile> ManifestFiles(const std::string& image) {
    const auto json =
        nlohmann::json::parse(std::ifstream(fs::path(TUNDREL_TEST_DATA_DIR) / "images" / (image + ".manifest.json")));
    std::vector<ManifestFile> files;
    for (const auto& volume : json["partitions"]) {
        if (volume.value("fs", std::string()) != "exfat") continue;
        for (const auto& entry : volume["files"]) {
            files.push_back({entry["path"].get<std::string>().substr(1), entry["type"] == "dir",
                             entry["state"] == "deleted", entry.value("reusable", false),
                             entry.value("fragmented", false), entry.value("noFatChain", false),
                             entry.value("size", std::uint64_t{0}), entry.value("md5", std::string()),
                             entry.value("firstCluster", 0u),
                             entry.value("validLength", entry.value("size", std::uint64_t{0}))});
        }
    }
    return files;
}

std::vector<std::uint8_t> ImageBytes(const std::string& name) {
    const fs::path file = TestImage(name);
    std::error_code ec;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(fs::file_size(file, ec)));
    if (ec) return {};
    std::ifstream(file, std::ios::binary).read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

}  // namespace tundrel::test
