#include <ostream>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/node_output.h"
#include "cli/tree_walk.h"
#include "disk/fs_type.h"
#include "scan/volume_scanner.h"
#include "support/display_format.h"
#include "support/text.h"
#include "support/strings.h"

namespace tundrel::cli {

int RunScan(const ScanCommandOptions& options, std::ostream& out, std::ostream& err) {
    ScanSession session;
    const int status = RunScanCommand(session, options, err);
    if (status != kExitSuccess && status != kExitStopped) return status;

    const std::vector<VolumeScanner*> scanners = session.Scanners();
    AddressBook book;
    for (std::uint32_t volume = 0; volume < scanners.size(); ++volume) {
        VolumeScanner& scanner = *scanners[volume];
        if (!options.json) {
            out << Formatted(StringId::ScannedVolumeHeading, std::to_string(volume).c_str(),
                             std::string(TypeName(scanner.fsType)).c_str(), std::to_string(scanner.volumeStart).c_str(),
                             std::to_string(scanner.volumeSectors).c_str(),
                             FormatSize(std::uint64_t{scanner.volumeSectors} * 512).c_str())
                << '\n';
        }
        for (std::size_t index = 0; index < kRootCount; ++index) {
            const auto root = static_cast<RootIndex>(index);
            ScanNode& folder = scanner.roots[root];
            if (folder.children.empty()) continue;
            if (options.json) {
                WalkTree(scanner, folder, [&](const ScanNode& node, int) {
                    out << NodeJson(scanner, node, volume, root, book.PathOf(node)).dump() << '\n';
                });
                continue;
            }
            out << "  " << RootWord(root) << " (" << (folder.name ? ToUtf8(folder.name) : "") << ")  "
                << FormatSize(folder.size) << '\n';
            WalkTree(scanner, folder, [&](const ScanNode& node, int depth) {
                out << std::string(4 + 2 * static_cast<std::size_t>(depth), ' ') << NodeLine(scanner, node) << '\n';
            });
        }
    }
    if (session.summary.nothingFound && !options.json) out << Text(StringId::NothingFound) << '\n';
    const int saved = SaveScanCommandResults(session, options, err);
    return saved != kExitSuccess ? saved : status;
}

}  // namespace tundrel::cli
