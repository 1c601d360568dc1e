#include "platform/disk_list.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "platform/ascii_digit.h"
#include "platform/sysfs_block.h"
#include "platform/system_paths.h"

namespace tundrel::platform {
namespace {

namespace fs = std::filesystem;

// The run of digits or of other characters that starts at `from`.
std::string_view RunAt(std::string_view text, std::size_t from) {
    const bool digits = IsAsciiDigit(text[from]);
    std::size_t end = from;
    while (end < text.size() && IsAsciiDigit(text[end]) == digits) ++end;
    return text.substr(from, end - from);
}

// Negative, zero or positive as a sorts before, with or after b.
int CompareRuns(std::string_view a, std::string_view b) {
    const bool aDigits = IsAsciiDigit(a.front());
    const bool bDigits = IsAsciiDigit(b.front());
    if (aDigits != bDigits) return aDigits ? -1 : 1;
    if (aDigits) {
        // Compared as numbers of any length: without leading zeros, more digits is larger.
        a.remove_prefix(std::min(a.find_first_not_of('0'), a.size()));
        b.remove_prefix(std::min(b.find_first_not_of('0'), b.size()));
    } else if (a.front() != b.front()) {
        // Different families of disks ("nvme", "sd") stay apart.
        return a.front() < b.front() ? -1 : 1;
    }
    // Disk letters count like digits: "sdz" comes before "sdaa".
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

// Kernel names with a '!' stand for a path below /dev ("cciss!c0d0" is /dev/cciss/c0d0).
std::string DevicePathOf(std::string kernelName) {
    std::replace(kernelName.begin(), kernelName.end(), '!', '/');
    return "/dev/" + kernelName;
}

}  // namespace

bool NaturalLess(const std::string& a, const std::string& b) {
    std::size_t ia = 0;
    std::size_t ib = 0;
    while (ia < a.size() && ib < b.size()) {
        const std::string_view runA = RunAt(a, ia);
        const std::string_view runB = RunAt(b, ib);
        if (const int order = CompareRuns(runA, runB); order != 0) return order < 0;
        ia += runA.size();
        ib += runB.size();
    }
    if ((ia < a.size()) != (ib < b.size())) return ib < b.size();
    return a < b;  // equal as numbers, e.g. "sd01" and "sd1": keep the order total
}

std::vector<WholeDisk> ListWholeDisks() {
    std::vector<WholeDisk> disks;
    std::error_code ec;
    for (fs::directory_iterator it(fs::path(SysfsRoot()) / "block", ec), end; !ec && it != end; it.increment(ec)) {
        if (!IsWholeDiskEntry(it->path())) continue;
        const std::string kernelName = it->path().filename().string();
        disks.push_back({kernelName, DevicePathOf(kernelName)});
    }
    std::sort(disks.begin(), disks.end(),
              [](const WholeDisk& a, const WholeDisk& b) { return NaturalLess(a.kernelName, b.kernelName); });
    return disks;
}

}  // namespace tundrel::platform
