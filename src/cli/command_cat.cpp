#include <algorithm>
#include <ostream>
#include <vector>

#include "cli/command_interrupts.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "scan/size_bounds.h"
#include "scan/volume_scanner.h"
#include "support/strings.h"

namespace tundrel::cli {

int RunCat(const CatOptions& options, std::ostream& out, std::ostream& err) {
    ScanSession session;
    FoundNode found;
    const int status = ScanForFile(session, options.scan, options.path, err, found);
    if (status != kExitSuccess) return status;
    const ScanNode& node = *found.node;
    ExtentList extents;
    if (node.size > 0 && !found.scanner->BuildExtents(node, extents)) {
        err << "tundrel: " << Formatted(StringId::NodeDataNotLocated, options.path.c_str()) << '\n';
        return kExitCannotScan;
    }
    constexpr std::uint64_t kPiece = 64 * 1024;
    const std::uint64_t length = BytesToCopy(*found.scanner, node, extents);
    if (length < node.size) {
        err << "tundrel: "
            << Formatted(StringId::NodeSizeBeyondVolume, options.path.c_str(), std::to_string(length).c_str()) << '\n';
    }
    std::vector<std::uint8_t> buffer;
    bool complete = true;
    for (std::uint64_t offset = 0; offset < length; offset += kPiece) {
        if (CommandInterrupts::Interrupted()) return kExitStopped;
        buffer.resize(static_cast<std::size_t>(std::min(kPiece, length - offset)));
        complete = found.scanner->ReadNodeData(buffer, offset, node, extents) && complete;
        if (!out.write(reinterpret_cast<const char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()))) {
            err << "tundrel: " << Formatted(StringId::NodeDataNotWritten, options.path.c_str()) << '\n';
            return kExitCannotScan;
        }
    }
    out.flush();
    if (!complete) {
        err << "tundrel: " << Formatted(StringId::NodePartsZeroed, options.path.c_str()) << '\n';
        return kExitCannotScan;
    }
    return kExitSuccess;
}

}  // namespace tundrel::cli
