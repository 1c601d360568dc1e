#include <algorithm>
#include <ostream>
#include <vector>

#include "cli/command_interrupts.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "scan/size_bounds.h"
#include "scan/volume_scanner.h"

namespace tundrel::cli {

int RunCat(const CatOptions& options, std::ostream& out, std::ostream& err) {
    const auto address = ParseNodeAddress(options.path);
    if (!address) {
        err << "tundrel: '" << options.path << "' is not a node address ([V:]ROOT/PATH)\n";
        return kExitUsage;
    }
    ScanSession session;
    ScanCommandOptions scan = options.scan;
    scan.quiet = true;
    const int status = RunScanCommand(session, scan, err);
    if (status != kExitSuccess) return status;
    const auto found = FindNode(session, *address, err);
    if (!found) {
        err << "tundrel: no node at '" << options.path << "'\n";
        return kExitCannotScan;
    }
    const ScanNode& node = *found->node;
    if (node.IsDirectory()) {
        err << "tundrel: '" << options.path << "' is a folder\n";
        return kExitUsage;
    }
    ExtentList extents;
    if (node.size > 0 && !found->scanner->BuildExtents(node, extents)) {
        err << "tundrel: the data of '" << options.path << "' cannot be located\n";
        return kExitCannotScan;
    }
    constexpr std::uint64_t kPiece = 64 * 1024;
    const std::uint64_t length = BytesToCopy(*found->scanner, node, extents);
    if (length < node.size) {
        err << "tundrel: the recorded size of '" << options.path << "' is larger than its volume; only the " << length
            << " bytes found are written\n";
    }
    std::vector<std::uint8_t> buffer;
    bool complete = true;
    for (std::uint64_t offset = 0; offset < length; offset += kPiece) {
        if (CommandInterrupts::Interrupted()) return kExitStopped;
        buffer.resize(static_cast<std::size_t>(std::min(kPiece, length - offset)));
        complete = found->scanner->ReadNodeData(buffer, offset, node, extents) && complete;
        if (!out.write(reinterpret_cast<const char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()))) {
            err << "tundrel: cannot write the data of '" << options.path << "'\n";
            return kExitCannotScan;
        }
    }
    out.flush();
    if (!complete) {
        err << "tundrel: parts of '" << options.path << "' could not be read and were written as zeros\n";
        return kExitCannotScan;
    }
    return kExitSuccess;
}

}  // namespace tundrel::cli
