#include <ostream>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/node_output.h"
#include "cli/tree_walk.h"
#include "scan/node_expansion.h"
#include "scan/volume_scanner.h"
#include "support/text.h"
#include "support/strings.h"

namespace tundrel::cli {
namespace {

void PrintNode(const VolumeScanner& scanner, const ScanNode& node, std::uint32_t volume, RootIndex root, int depth,
               bool json, std::ostream& out, AddressBook& book) {
    if (json) {
        out << NodeJson(scanner, node, volume, root, book.PathOf(node)).dump() << '\n';
    } else {
        out << std::string(2 * static_cast<std::size_t>(depth), ' ') << NodeLine(scanner, node) << '\n';
    }
}

// Lists the root folders of every volume, and with `recursive` everything below them.
void ListRoots(ScanSession& session, bool json, bool recursive, std::ostream& out) {
    AddressBook book;
    const std::vector<VolumeScanner*> scanners = session.Scanners();
    for (std::uint32_t volume = 0; volume < scanners.size(); ++volume) {
        for (std::size_t index = 0; index < kRootCount; ++index) {
            const auto root = static_cast<RootIndex>(index);
            ScanNode& folder = scanners[volume]->roots[root];
            if (json) {
                PrintNode(*scanners[volume], folder, volume, root, 0, true, out, book);
            } else {
                out << volume << ":" << RootWord(root) << "  " << NodeLine(*scanners[volume], folder) << '\n';
            }
            if (!recursive) continue;
            WalkTree(*scanners[volume], folder, [&](const ScanNode& child, int depth) {
                PrintNode(*scanners[volume], child, volume, root, depth + 1, json, out, book);
            });
        }
    }
}

}  // namespace

int RunList(const ListOptions& options, std::ostream& out, std::ostream& err) {
    ScanSession session;
    const int status = RunScanCommand(session, options.scan, err);
    if (status != kExitSuccess && status != kExitStopped) return status;
    if (options.path.empty()) {
        ListRoots(session, options.scan.json, options.recursive, out);
        return status;
    }
    const auto address = ParseNodeAddress(options.path);
    if (!address) {
        err << "tundrel: " << Formatted(StringId::NotANodeAddress, options.path.c_str()) << '\n';
        return kExitUsage;
    }
    const auto found = FindNode(session, *address, err);
    if (!found) {
        err << "tundrel: " << Formatted(StringId::NoNodeAt, options.path.c_str()) << '\n';
        return kExitCannotScan;
    }
    ScanNode& node = *found->node;
    const VolumeScanner& scanner = *found->scanner;
    AddressBook book;
    if (!node.IsDirectory()) {
        PrintNode(scanner, node, address->volume, address->root, 0, options.scan.json, out, book);
        return status;
    }
    if (options.recursive) {
        WalkTree(*found->scanner, node, [&](const ScanNode& child, int depth) {
            PrintNode(scanner, child, address->volume, address->root, depth, options.scan.json, out, book);
        });
        return status;
    }
    EnsureChildren(*found->scanner, node);
    for (const ScanNode& child : node.children) PrintNode(scanner, child, address->volume, address->root, 0, options.scan.json, out, book);
    return status;
}

}  // namespace tundrel::cli
