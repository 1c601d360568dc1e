// Reading a saved scan result back into scan contexts.

#include <algorithm>
#include <fstream>
#include <new>

#include "scan/node_records.h"
#include "scan/result_file.h"
#include "scan/volume_scanner.h"
#include "support/archive_reader.h"

namespace tundrel {
namespace {

// The fewest bytes of the records that counts announce, to check a count before the records
// are made: a source identity (three empty strings and three numbers), and a scanner's common
// part with no root folder.
constexpr std::uint64_t kLeastIdentityBytes = 3 * 4 + 8 + 4 + 4;
constexpr std::uint64_t kLeastScannerBytes = 4 + 6 * 4 + 62 + 84 + 8;
constexpr std::uint64_t kLeastTaskBytes = kLeastIdentityBytes + 4 + 62 + 84 + 4;
constexpr std::uint32_t kHighestScannerType = 4;

std::uint64_t WithBootSector(std::uint64_t bytes, const ArchiveReader& archive) {
    return archive.version >= kResultVersionWithBootSector ? bytes + 512 : bytes;
}

// The context's copies of the volume's parameter blocks, and its boot sector when the file has it.
void ReadParameterBlocks(ArchiveReader& archive, SelectedVolume& volume) {
    std::array<std::uint8_t, 62> fatBpb{};
    std::array<std::uint8_t, 84> ntfsBpb{};
    archive.Bytes(fatBpb);
    archive.Bytes(ntfsBpb);
    volume.bootSector.fill(0);
    if (archive.version >= kResultVersionWithBootSector) {
        archive.Bytes(volume.bootSector);
        return;
    }
    std::ranges::copy(ntfsBpb, volume.bootSector.begin());
}

// The file's frame: longer than its header's first fields, the magic first and the end marker last.
bool HasResultFrame(std::istream& in, std::uint64_t size) {
    constexpr std::uint64_t kShortest = 14;
    if (size <= kShortest) return false;
    std::array<char, kResultFileMagic.size()> magic{};
    std::array<char, kResultFileEnd.size()> end{};
    in.seekg(0);
    in.read(magic.data(), magic.size());
    in.seekg(static_cast<std::streamoff>(size - end.size()));
    in.read(end.data(), end.size());
    const auto same = [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; };
    return in && std::ranges::equal(magic, kResultFileMagic, same) && std::ranges::equal(end, kResultFileEnd, same);
}

class ResultLoader {
public:
    ResultLoader(ArchiveReader& archive, ScanEnvironment& environment, bool compareIdentity, OpenedResults& opened)
        : archive_(archive), environment_(environment), compareIdentity_(compareIdentity), opened_(opened) {}

    // Reads the tasks after the header into `loaded`; the status says where it stopped.
    ResultOpenStatus ReadTasks(std::vector<std::unique_ptr<ScanContext>>& loaded) {
        const std::uint32_t taskCount = archive_.U32();
        if (!archive_.CanHold(taskCount, WithBootSector(kLeastTaskBytes, archive_))) return ResultOpenStatus::FormatError;
        for (std::uint32_t task = 0; task < taskCount; ++task) {
            std::unique_ptr<ScanContext> context;
            const ResultOpenStatus status = ReadTask(context);
            if (status != ResultOpenStatus::Opened) return status;
            loaded.push_back(std::move(context));
        }
        return ResultOpenStatus::Opened;
    }

private:
    ResultOpenStatus ReadTask(std::unique_ptr<ScanContext>& made) {
        ScanTask task;
        task.mode = TaskModeOf(opened_.resultMode);
        made = std::make_unique<ScanContext>(environment_, task);
        ScanContext& context = *made;
        switch (context.source.Serialize(archive_, compareIdentity_)) {
            case SourceReload::Same: break;
            case SourceReload::Damaged: return ResultOpenStatus::FormatError;
            case SourceReload::NotOpened:
            case SourceReload::Different:
                opened_.label = context.source.label;
                return ResultOpenStatus::SourceNotOpened;
        }
        context.parameters.firstWord = archive_.U32();
        ReadParameterBlocks(archive_, context.volume);
        const std::uint32_t scannerCount = archive_.U32();
        if (!archive_.CanHold(scannerCount, WithBootSector(kLeastScannerBytes, archive_))) {
            return ResultOpenStatus::FormatError;
        }
        for (std::uint32_t index = 0; index < scannerCount; ++index) {
            const std::uint32_t type = archive_.U32();
            if (!archive_.Good()) return ResultOpenStatus::FormatError;
            const ScannerEntry* entry = type <= kHighestScannerType ? FindScanner(environment_.scanners, type) : nullptr;
            if (entry == nullptr) {
                opened_.unknownScannerType = type;
                return ResultOpenStatus::UnknownScannerType;
            }
            std::unique_ptr<VolumeScanner> scanner = entry->make(context, type);
            if (!scanner || !scanner->Deserialize(archive_)) return ResultOpenStatus::FormatError;
            context.scanners.push_back(std::move(scanner));
        }
        if (!archive_.Good()) return ResultOpenStatus::FormatError;
        if (!context.scanners.empty()) {
            const VolumeScanner& first = *context.scanners.front();
            context.volume.startSector = first.volumeStart;
            context.volume.sectorCount = first.volumeSectors;
            context.volume.fsType = first.fsType;
            context.volume.bootValid = first.bootLoaded;
        }
        context.state = ContextState::Scanned;
        return ResultOpenStatus::Opened;
    }

    ArchiveReader& archive_;
    ScanEnvironment& environment_;
    bool compareIdentity_;
    OpenedResults& opened_;
};

}  // namespace

OpenedResults OpenScanResults(std::istream& in, std::uint64_t size, ScanEnvironment& environment,
                              std::vector<std::unique_ptr<ScanContext>>& contexts, bool compareIdentity) {
    OpenedResults opened;
    if (!in || !HasResultFrame(in, size)) return opened;

    in.seekg(static_cast<std::streamoff>(kResultFileMagic.size()));
    ArchiveReader archive(in, size - kResultFileMagic.size() - kResultFileEnd.size());
    opened.version = archive.U16();
    archive.version = opened.version;
    archive.U16();
    opened.resultMode = archive.U32();
    opened.sourceName = archive.String();
    archive.String();  // the first source's model, serial and size: each task checks its own
    archive.String();
    archive.U64();
    opened.savedAt = archive.String();
    if (!archive.Good()) return opened;

    std::vector<std::unique_ptr<ScanContext>> loaded;
    ResultOpenStatus status = ResultOpenStatus::FormatError;
    try {
        status = ResultLoader(archive, environment, compareIdentity, opened).ReadTasks(loaded);
    } catch (const std::bad_alloc&) {
        status = ResultOpenStatus::FormatError;
    }
    // Everything up to the end marker must have been read: a file cut short, or with more
    // than its counts announce, is damaged.
    if (status == ResultOpenStatus::Opened && (!archive.Good() || archive.Left() != 0)) status = ResultOpenStatus::FormatError;
    opened.status = status;
    if (status == ResultOpenStatus::FormatError) return opened;
    for (auto& context : loaded) contexts.push_back(std::move(context));
    return opened;
}

OpenedResults OpenScanResults(const std::filesystem::path& file, ScanEnvironment& environment,
                              std::vector<std::unique_ptr<ScanContext>>& contexts, bool compareIdentity) {
    std::ifstream in(file, std::ios::binary);
    std::error_code error;
    const std::uint64_t size = std::filesystem::file_size(file, error);
    if (error) return {};
    return OpenScanResults(in, size, environment, contexts, compareIdentity);
}

}  // namespace tundrel
