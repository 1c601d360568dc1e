#include "scan/result_file.h"

#include <algorithm>
#include <fstream>

#include "support/text.h"

namespace tundrel {

std::uint32_t ResultModeOf(std::uint32_t taskMode) {
    switch (taskMode) {
        case kModeFormattedVolume: return kResultFormattedVolume;
        case kModeFullScan: return kResultFullScan;
        default: return kResultDeletedFiles;
    }
}

std::uint32_t TaskModeOf(std::uint32_t resultMode) {
    switch (resultMode) {
        case kResultFormattedVolume: return kModeFormattedVolume;
        // The lost-partition recovery scans each partition it finds in the full-scan mode.
        case kResultLostPartitions:
        case kResultFullScan: return kModeFullScan;
        default: return kModeDeletedFiles;
    }
}

bool IsSavedResultFile(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    std::ifstream in(path, std::ios::binary);
    std::array<char, kResultFileMagic.size()> head{};
    if (!in.read(head.data(), head.size())) return false;
    return std::ranges::equal(head, kResultFileMagic, [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

std::string ResultTimeText(const std::tm& local) {
    return FormatText("%d-%02d-%02d %02d:%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                      local.tm_min);
}

}  // namespace tundrel
