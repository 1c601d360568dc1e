#include "manifest.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

namespace tundrel::test {
namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::stringstream stream(text);
    for (std::string part; std::getline(stream, part, separator);) parts.push_back(part);
    return parts;
}

ManifestFile FileOf(const nlohmann::json& entry) {
    ManifestFile file;
    file.path = entry["path"].get<std::string>().substr(1);
    file.tskPath = entry.value("tskPath", std::string("/")).substr(1);
    file.hardlinkOf = entry.value("hardlinkOf", std::string("/")).substr(1);
    file.isDirectory = entry.value("type", std::string("dir")) == "dir";
    file.deleted = entry.value("state", std::string()) == "deleted";
    file.reusable = entry.value("reusable", false);
    file.fragmented = entry.value("fragmented", false);
    file.noFatChain = entry.value("noFatChain", false);
    file.resident = entry.value("resident", false);
    file.compressed = entry.value("compressed", false);
    file.size = entry.value("size", std::uint64_t{0});
    file.mtimeEpoch = entry.value("mtimeEpoch", std::int64_t{0});
    file.md5 = entry.value("md5", std::string());
    file.firstCluster = entry.value("firstCluster", 0u);
    if (entry.contains("tskInode")) file.record = entry["tskInode"].get<std::uint32_t>();
    if (entry.contains("validLength")) file.validLength = entry["validLength"].get<std::uint64_t>();
    for (const auto& extent : entry.value("extents", nlohmann::json::array())) {
        file.lastCluster = std::max(file.lastCluster, extent[0].get<std::uint64_t>() + extent[1].get<std::uint64_t>());
    }
    return file;
}

}  // namespace

nlohmann::json ManifestJson(const std::string& name) {
    return nlohmann::json::parse(
        std::ifstream(std::filesystem::path(TUNDREL_TEST_DATA_DIR) / "images" / (name + ".manifest.json")));
}

std::vector<ManifestFile> LoadManifest(const std::string& name, unsigned partition, bool highClusters) {
    std::vector<ManifestFile> files;
    const nlohmann::json manifest = ManifestJson(name);
    for (const auto& volume : manifest["partitions"]) {
        if (volume["index"] != partition) continue;
        for (const auto& entry : volume.value(highClusters ? "highClusterFolders" : "files", nlohmann::json::array())) {
            files.push_back(FileOf(entry));
        }
    }
    return files;
}

std::vector<FormerVolume> FormerVolumes(const std::string& image) {
    std::vector<FormerVolume> volumes;
    for (const auto& recorded : ManifestJson(image).value("formerVolumes", nlohmann::json::array())) {
        FormerVolume volume{recorded["fs"], recorded["startSector"], recorded["sectorCount"], recorded["clusterSize"], {}};
        for (const auto& entry : recorded["files"]) {
            FormerFile file{FileOf(entry)};
            file.survived = entry.value("survived", false);
            file.firstSector = entry.value("firstSector", std::uint64_t{0});
            volume.files.push_back(std::move(file));
        }
        volumes.push_back(std::move(volume));
    }
    return volumes;
}

std::vector<ManifestFile> ManifestFiles(const std::string& name, const std::string& fs) {
    const nlohmann::json manifest = ManifestJson(name);
    for (const auto& volume : manifest["partitions"]) {
        if (volume.value("fs", std::string()) == fs) return LoadManifest(name, volume["index"].get<unsigned>());
    }
    return {};
}

std::string NameOf(const CommittedVolume& volume) {
    std::string name = volume.image + std::string("_") + std::to_string(volume.partition);
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

bool DataExpected(const CommittedVolume& volume, const ManifestFile& file) {
    if (file.isDirectory) return false;
    if (!file.deleted) return true;
    const std::size_t slash = file.tskPath.rfind('/');
    const bool inDeletedFolder = slash != std::string::npos && file.tskPath.substr(0, slash).find('_') != std::string::npos;
    return file.reusable && (!file.fragmented || std::string(volume.fs) == "ntfs") &&
           (volume.deletedFolderContents || !inDeletedFolder);
}

std::string DeletedRootPath(const ManifestFile& file) {
    if (file.tskPath.empty()) return file.path;  // a volume The Sleuth Kit cannot read
    const auto tsk = Split(file.tskPath, '/');
    const auto real = Split(file.path, '/');
    std::string path;
    for (std::size_t i = 0; i < tsk.size(); ++i) {
        const bool lostFirst = tsk[i].starts_with('_') && i < real.size() && !real[i].starts_with('_');
        path += (i > 0 ? "/" : "") + (lostFirst ? "#" + tsk[i].substr(1) : tsk[i]);
    }
    return path;
}

std::vector<std::vector<std::string>> FlsLines(const std::string& listing) {
    std::ifstream input(std::filesystem::path(TUNDREL_TEST_DATA_DIR) / "images" / listing);
    std::vector<std::vector<std::string>> lines;
    for (std::string line; std::getline(input, line);) lines.push_back(Split(line, '\t'));
    return lines;
}

}  // namespace tundrel::test
