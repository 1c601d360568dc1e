#include "cli/node_output.h"

#include <array>
#include <utility>

#include "cli/node_address.h"
#include "disk/fs_type.h"
#include "scan/size_bounds.h"
#include "scan/volume_scanner.h"
#include "support/display_format.h"
#include "support/text.h"

namespace tundrel::cli {
namespace {

constexpr std::array<std::pair<std::uint32_t, std::string_view>, 15> kStateWords{{
    {kFlagDeleted, "deleted"},
    {kFlagStream, "stream"},
    {kFlagRecordFree, "free"},
    {kFlagInRecord, "inrecord"},
    {kFlagCompressed, "compressed"},
    {kFlagAttributeList, "attrlist"},
    {kFlagOverwritten, "overwritten"},
    {kFlagArchive, "archive"},
    {kFlagReadOnly, "readonly"},
    {kFlagSystem, "system"},
    {kFlagEncrypted, "encrypted"},
    {kFlagHidden, "hidden"},
    {kFlagContiguous, "contiguous"},
    {kFlagGuessedExtent, "guessed"},
    {kFlagNoChain, "nochain"},
}};

}  // namespace

nlohmann::json StateWords(std::uint32_t flags) {
    nlohmann::json words = nlohmann::json::array();
    for (const auto& [bit, word] : kStateWords) {
        if ((flags & bit) != 0) words.push_back(word);
    }
    return words;
}

nlohmann::json NodeStateWords(const VolumeScanner& scanner, const ScanNode& node) {
    nlohmann::json words = StateWords(node.flags);
    if (SizeBeyondVolume(scanner, node)) words.push_back("damaged");
    return words;
}

nlohmann::json NodeJson(const VolumeScanner& scanner, const ScanNode& node, std::uint32_t volume, RootIndex root,
                        const std::string& path) {
    // NTFS and exFAT times are kept as the process's local time, so they carry its UTC offset;
    // FAT stores local time of a zone nobody wrote down, and so does a photo's EXIF date of a
    // file found by its content. Only the creation time keeps a fraction.
    const bool zoned = (scanner.fsType == kFsNtfs || scanner.fsType == kFsExFat) && root != RootIndex::Types;
    return {
        {"address", FormatNodeAddress(volume, root, path)},
        {"volume", volume},
        {"root", RootWord(root)},
        {"path", path},
        {"name", ToUtf8(NameOf(node))},
        {"dir", node.IsDirectory()},
        {"size", node.size},
        {"flags", node.flags},
        {"state", NodeStateWords(scanner, node)},
        {"created", FormatIsoDateTime(node.createdDate, node.createdTime, node.milliseconds, zoned)},
        {"modified", FormatIsoDateTime(node.modifiedDate, node.modifiedTime, 0, zoned)},
        {"accessed", FormatIsoDate(node.accessedDate)},
        {"location", node.location},
        {"record", node.recordNumber},
    };
}

std::string NodeLine(const VolumeScanner& scanner, const ScanNode& node) {
    // One node, one line: a tab or line break in a name read from the disk is shown escaped.
    std::string line;
    for (const char c : ToUtf8(NameOf(node))) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\t') {
            line += "\\t";
        } else if (c == '\n') {
            line += "\\n";
        } else if (byte < 0x20 || byte == 0x7f) {
            line += FormatText("\\x%02x", byte);
        } else {
            line += c;
        }
    }
    if (node.IsDirectory()) line += "/";
    line += "  " + FormatSize(node.size);
    const nlohmann::json words = NodeStateWords(scanner, node);
    if (!words.empty()) {
        line += "  [";
        for (std::size_t i = 0; i < words.size(); ++i) line += (i ? " " : "") + words[i].get<std::string>();
        line += "]";
    }
    return line;
}

}  // namespace tundrel::cli
