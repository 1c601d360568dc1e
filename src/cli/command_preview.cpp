#include <ostream>
#include <string>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "preview/file_preview.h"
#include "preview/preview_text.h"
#include "scan/volume_scanner.h"
#include "support/strings.h"
#include "support/text.h"

namespace tundrel::cli {

namespace {

// Text for a terminal: its "\r\n" and lone "\r" line ends become "\n", and the last line is
// ended.
std::string ForTerminal(std::u16string_view text) {
    std::u16string lines;
    lines.reserve(text.size() + 1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r') {
            lines += text[i];
        } else if (i + 1 >= text.size() || text[i + 1] != u'\n') {
            lines += u'\n';
        }
    }
    if (!lines.empty() && lines.back() != u'\n') lines += u'\n';
    return ToUtf8(lines);
}

}  // namespace

int RunPreview(const PreviewCommandOptions& options, std::ostream& out, std::ostream& err) {
    ScanSession session;
    FoundNode found;
    const int status = ScanForFile(session, options.scan, options.path, err, found);
    if (status != kExitSuccess) return status;
    tundrel::PreviewOptions preview;
    preview.hex = options.hex;
    preview.hexLimit = options.limit;
    preview.ansiCodePage = session.settings.ansiCodePage;
    const PreviewContent content = BuildPreview({*found.scanner, *found.node}, preview);
    if (content.unlocated) {
        err << "tundrel: " << Formatted(StringId::NodeDataNotLocated, options.path.c_str()) << '\n';
        return kExitCannotScan;
    }
    if (content.cutAtLimit && !options.hex) {
        const std::string shown = std::to_string(preview.sizeLimit);
        const std::string size = std::to_string(content.fileSize);
        err << "tundrel: " << Formatted(StringId::PreviewCutAtLimit, options.path.c_str(), shown.c_str(), size.c_str())
            << '\n';
    }
    out << ForTerminal(PreviewAsText(content));
    out.flush();
    if (content.stopped) {
        err << "tundrel: " << Formatted(StringId::PreviewNotReadWhole, options.path.c_str()) << '\n';
        return kExitCannotScan;
    }
    return kExitSuccess;
}

}  // namespace tundrel::cli
