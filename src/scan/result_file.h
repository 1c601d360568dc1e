#pragma once
// The saved scan result (".kvf"): every task of a run with its source's identity, its volume's
// parameter blocks and each scanner with its tree. Saved after a scan and opened later against
// the same source, it gives the results back without scanning again.

#include <array>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <istream>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "scan/scan_context.h"
#include "scan/scan_environment.h"

namespace tundrel {

inline constexpr std::string_view kResultFileExtension = ".kvf";
inline constexpr std::array<std::uint8_t, 6> kResultFileMagic{'K', 'V', 'F', 'H', 'D', 0};
inline constexpr std::array<std::uint8_t, 5> kResultFileEnd{'F', 'E', 'N', 'D', 0};
inline constexpr std::uint16_t kResultFileVersion = 0x0280;
// Files of earlier versions carry the parameter blocks but no whole boot sector.
inline constexpr std::uint16_t kResultVersionWithBootSector = 0x0280;

// The application's mode word a result keeps (the task's own mode word is another).
enum ResultMode : std::uint32_t {
    kResultDeletedFiles = 0,
    kResultFormattedVolume = 1,
    kResultLostPartitions = 2,
    kResultFullScan = 3,
};
std::uint32_t ResultModeOf(std::uint32_t taskMode);
std::uint32_t TaskModeOf(std::uint32_t resultMode);

// True when `path` is a file that begins with the magic of a saved result.
bool IsSavedResultFile(const std::filesystem::path& path);

// The save time as the file keeps it: "%d-%02d-%02d %02d:%02d" of a local time.
std::string ResultTimeText(const std::tm& local);

// The front end's part of saving: the warning shown once the file is written.
class ResultSaveNotice {
public:
    virtual ~ResultSaveNotice() = default;
    virtual void Warn(const std::string& text) = 0;
};

enum class ResultSaveError { None, NoResults, NotWritten };

// Fills every directory whose children are made on first use (so that none is stored empty),
// then writes the tasks whose source is open and warns through `notice` (may be null).
ResultSaveError SaveScanResults(const std::filesystem::path& file, std::span<const std::unique_ptr<ScanContext>> contexts,
                                std::uint32_t resultMode, ResultSaveNotice* notice);

enum class ResultOpenStatus {
    Opened,
    FormatError,         // not a saved result, or damaged: nothing was loaded
    SourceNotOpened,     // a task's source does not open or is another device: the tasks before it stay
    UnknownScannerType,  // loading stopped there: the tasks before it stay
};

struct OpenedResults {
    ResultOpenStatus status = ResultOpenStatus::FormatError;
    std::uint16_t version = 0;
    std::uint32_t resultMode = kResultDeletedFiles;
    std::u16string sourceName;  // the first task's, as the header gives it
    std::u16string savedAt;
    std::u16string label;             // SourceNotOpened: the expected source
    std::uint32_t unknownScannerType = 0;
};

// Reads a saved result and appends one context per task to `contexts`, each with its source
// reopened (and, with `compareIdentity`, checked to be the same device) and its scanners
// rebuilt, able to read files as after the scan. Nothing is read from the sources but their
// identity.
OpenedResults OpenScanResults(const std::filesystem::path& file, ScanEnvironment& environment,
                              std::vector<std::unique_ptr<ScanContext>>& contexts, bool compareIdentity);
// The same from `size` bytes of a stream, from its start.
OpenedResults OpenScanResults(std::istream& in, std::uint64_t size, ScanEnvironment& environment,
                              std::vector<std::unique_ptr<ScanContext>>& contexts, bool compareIdentity);

}  // namespace tundrel
