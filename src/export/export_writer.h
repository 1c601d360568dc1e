#pragma once
// The export thread's work: the checked part of each result tree rebuilt as folders at the
// destination, every file's data read through the scanner that found it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "export/export_counters.h"
#include "export/export_log.h"
#include "export/export_prompt.h"
#include "scan/file_extent.h"
#include "scan/scan_node.h"

namespace tundrel {

class VolumeScanner;

namespace platform {
class DirectoryHandle;
class OutputFile;
}

struct ExportVolume {
    VolumeScanner* scanner = nullptr;
    std::string label;  // the volume's label; empty when it has none
};

struct ExportRequest {
    std::vector<ExportVolume> volumes;  // in run order, with or without a selection
    std::string destination;            // an existing folder that passed the destination checks
    // A collision choice that holds from the start, as if it had been chosen for the rest.
    std::optional<CollisionChoice> collisionChoice;
};

struct ExportOutcome {
    bool stopped = false;
    bool destinationFull = false;  // the export stopped because the destination filled up
    bool destinationOpened = true;
    std::uint32_t filesWritten = 0;
};

// The transfer unit: one buffer of this size serves every file.
inline constexpr std::size_t kExportPieceBytes = 64 * 1024;

// The folder of one volume when several volumes are exported at once:
// "LABEL [FAT32 33.00M]", "Volume2 [NTFS 16.00M]" for a volume without a label.
std::string VolumeFolderName(const std::string& label, std::size_t index, std::uint32_t fsType,
                             std::uint64_t volumeSectors);

class ExportWriter {
public:
    ExportWriter(ExportPrompt& prompt, ExportLog& log, ExportCounters& counters, FolderRenameCounter& folderRenames);

    // Runs the whole export on the calling thread; the counters are reset first.
    ExportOutcome Run(const ExportRequest& request);

private:
    struct Place;
    void ExportVolumeRoots(VolumeScanner& scanner, const Place& base);
    void ExportFolder(VolumeScanner& scanner, ScanNode& folder, const Place& into, int depth);
    void ExportChildren(VolumeScanner& scanner, ScanNode& folder, const Place& into, int depth);
    void ExportFile(VolumeScanner& scanner, const ScanNode& file, const Place& into);
    // Writes one file and fills in its record but for the node.
    void WriteFile(VolumeScanner& scanner, const ScanNode& file, const Place& into, ExportRecord& record);
    // The name a file is written under; nothing when it is not written, the record saying why.
    std::optional<std::string> ResolveCollision(const std::string& name, const Place& into, ExportRecord& record);
    // Writes the file's data; true when all of it was read and written, else `error` says why.
    bool WriteData(VolumeScanner& scanner, const ScanNode& file, platform::OutputFile& output, bool& readFailed,
                   int& error);
    // Logs a write error and asks whether to stop; returns the system's text for it.
    std::string ReportWriteError(const ScanNode& file, const std::string& target, int error, const Place& into);
    void NoteCreationTimes(const ScanNode& file);
    template <typename Ask>
    auto Timed(Ask ask) -> decltype(ask());

    ExportPrompt& prompt_;
    ExportLog& log_;
    ExportCounters& counters_;
    FolderRenameCounter& folderRenames_;
    std::vector<std::uint8_t> buffer_;
    ExtentList extents_;
    bool destinationFull_ = false;
    bool creationTimesNoted_ = false;
};

}  // namespace tundrel
