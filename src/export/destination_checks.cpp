#include "export/destination_checks.h"

#include <cerrno>
#include <chrono>

#include "disk/sector_source.h"
#include "export/millisecond_tick.h"
#include "platform/directory_handle.h"
#include "platform/file_system_space.h"
#include "platform/folder_storage.h"
#include "scan/volume_scanner.h"
#include "support/display_format.h"
#include "support/text.h"

namespace tundrel {
namespace {

bool CheckPlacement(const DestinationCheckInput& input, ExportPrompt& prompt) {
    const std::string& drive = input.destination.driveName;
    for (const SourceStorage& source : input.sources) {
        switch (PlaceDestination(source, input.destination.chain)) {
            case Placement::Separate:
                break;
            case Placement::OnSourceVolume:
                prompt.Tell(StringId::ExportToSourceRefused,
                            Formatted(StringId::ExportToSourceRefused, source.sourceName.c_str()));
                return false;
            case Placement::OverlapsScan:
                prompt.Tell(StringId::SameDiskRefused, Formatted(StringId::SameDiskRefused, source.sourceName.c_str(), drive.c_str()));
                return false;
            case Placement::SameDisk: {
                const StringId question = source.kind == platform::SourceKind::Volume ? StringId::AskSameDiskOtherVolume
                                                                                      : StringId::AskSameDisk;
                if (!prompt.Confirm(question, FormatText(Text(question).data(), source.sourceName.c_str(), drive.c_str()))) {
                    return false;
                }
                break;
            }
        }
    }
    return true;
}

bool CheckFreeSpace(const DestinationCheckInput& input, ExportPrompt& prompt) {
    const std::optional<std::uint64_t> free = input.destination.freeBytes;
    if (!free || *free >= input.selection.bytes) return true;
    return prompt.Confirm(StringId::DestinationLacksSpace,
                          Formatted(StringId::DestinationLacksSpace, FormatSize(input.selection.bytes).c_str(), input.destination.driveName.c_str()));
}

bool CheckFatFileSizes(const DestinationCheckInput& input, ExportPrompt& prompt) {
    if (!IsFatFileSystem(input.destination.fsType) || input.selection.bigFiles.empty()) return true;
    std::vector<std::string> lines;
    for (const BigFile& file : input.selection.bigFiles) {
        lines.push_back(FormatText("\r\n %s , %s", ToUtf8(file.name).c_str(), FormatSize(file.size).c_str()));
    }
    return prompt.ConfirmBigFiles(
        Formatted(StringId::FatDestinationBigFiles, input.destination.driveName.c_str()), lines);
}

}  // namespace

bool IsFatFileSystem(std::string_view fsType) { return fsType == "vfat" || fsType == "msdos" || fsType == "fat"; }

DestinationStorage ProbeDestination(const std::string& folder) {
    DestinationStorage destination;
    destination.folder = folder;
    destination.driveName = folder;
    const platform::FolderStorage storage = platform::StorageOfFolder(folder);
    if (storage.mount) {
        destination.driveName = storage.mount->mountPoint;
        destination.fsType = storage.mount->fsType;
    }
    destination.chain = storage.chain;
    if (const auto space = platform::SpaceOf(folder)) destination.freeBytes = space->freeBytes;
    return destination;
}

SourceStorage ProbeSource(const VolumeScanner& scanner) {
    SourceStorage source;
    source.sourceName = ToUtf8(scanner.source->name);
    source.kind = scanner.source->kind;
    source.chain = platform::ChainOfPath(scanner.source->path);
    source.scanStart = scanner.volumeStart;
    source.scanCount = scanner.volumeSectors;
    return source;
}

bool PassesWriteTest(const std::string& folder, std::uint32_t tick) {
    int error = 0;
    const std::optional<platform::DirectoryHandle> directory = platform::DirectoryHandle::Open(folder, error);
    if (!directory) return false;
    constexpr std::uint32_t kNumbers = 20001;
    // A leftover file of an earlier test takes the next number instead.
    for (std::uint32_t attempt = 0; attempt < 8; ++attempt) {
        const std::string name = FormatText("3s9lsa~bb_%u.tmp", (tick + attempt) % kNumbers);
        std::optional<platform::OutputFile> file = directory->CreateFile(name, error);
        if (!file) {
            if (error == EEXIST) continue;
            return false;
        }
        const bool closed = file->Close(error);
        directory->Remove(name);
        return closed;
    }
    return false;
}

bool RunLocationChecks(const DestinationCheckInput& input, ExportPrompt& prompt) {
    if (!input.sizesReady) {
        prompt.Tell(StringId::SizesStillComputing, std::string(Text(StringId::SizesStillComputing)));
        return false;
    }
    return CheckPlacement(input, prompt) && CheckFreeSpace(input, prompt) && CheckFatFileSizes(input, prompt);
}

bool RunWriteTest(const std::string& folder, ExportPrompt& prompt) {
    if (PassesWriteTest(folder, MillisecondTick())) return true;
    prompt.Tell(StringId::DestinationNotWritable, Formatted(StringId::DestinationNotWritable, folder.c_str()));
    return false;
}

bool RunDestinationChecks(const DestinationCheckInput& input, ExportPrompt& prompt) {
    return RunLocationChecks(input, prompt) && RunWriteTest(input.destination.folder, prompt);
}

}  // namespace tundrel
