#include "export/export_writer.h"

#include <cerrno>

#include "disk/fs_type.h"
#include "export/export_selection.h"
#include "export/millisecond_tick.h"
#include "export/node_times.h"
#include "export/rename_suggestion.h"
#include "export/safe_name.h"
#include "platform/directory_handle.h"
#include "platform/file_system_space.h"
#include "platform/read_error.h"
#include "platform/staged_file.h"
#include "scan/size_bounds.h"
#include "scan/volume_scanner.h"
#include "support/display_format.h"
#include "support/strings.h"
#include "support/text.h"

namespace tundrel {

// A folder at the destination, held open, its path for the human log and its path below the
// destination for the records (empty for the destination itself).
struct ExportWriter::Place {
    const platform::DirectoryHandle& directory;
    std::string path;
    std::string relative;

    std::string Child(const std::string& name) const { return path + "/" + name; }
    std::string RelativeChild(const std::string& name) const { return relative.empty() ? name : relative + "/" + name; }
    Place Below(const platform::DirectoryHandle& child, const std::string& name) const {
        return {child, Child(name), RelativeChild(name)};
    }
};

namespace {

// Deeper folders than this come only from a damaged volume whose folders contain themselves;
// every level holds a folder open.
constexpr int kMaxFolderDepth = 256;
// Below this much room a full destination cannot take even small files: the export stops.
constexpr std::uint64_t kNearlyFullBytes = 512 * 1024;

bool IsDiskFull(int error) { return error == ENOSPC || error == EDQUOT; }

std::string Joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : "; ") + part;
    return text;
}

}  // namespace

std::string VolumeFolderName(const std::string& label, std::size_t index, std::uint32_t fsType,
                             std::uint64_t volumeSectors) {
    const std::string name = label.empty() ? "Volume" + std::to_string(index) : label;
    return name + " [" + std::string(TypeName(fsType)) + " " + FormatSize(volumeSectors * 512) + "]";
}

ExportWriter::ExportWriter(ExportPrompt& prompt, ExportLog& log, ExportCounters& counters,
                           FolderRenameCounter& folderRenames)
    : prompt_(prompt), log_(log), counters_(counters), folderRenames_(folderRenames), buffer_(kExportPieceBytes) {}

template <typename Ask>
auto ExportWriter::Timed(Ask ask) -> decltype(ask()) {
    const auto asked = ExportCounters::Clock::now();
    auto answer = ask();
    counters_.AddPause(ExportCounters::Clock::now() - asked);
    return answer;
}

ExportOutcome ExportWriter::Run(const ExportRequest& request) {
    counters_.Reset();
    counters_.rememberedChoice = request.collisionChoice;
    creationTimesNoted_ = false;
    ExportOutcome outcome;
    int error = 0;
    const std::optional<platform::DirectoryHandle> destination =
        platform::DirectoryHandle::Open(request.destination, error);
    if (!destination) {
        log_.Add(LogLevel::Error, Formatted(StringId::FolderCreateFailed, request.destination.c_str()));
        outcome.destinationOpened = false;
        return outcome;
    }
    const Place top{*destination, request.destination, {}};

    std::vector<std::size_t> selected;
    for (std::size_t index = 0; index < request.volumes.size(); ++index) {
        if (HasSelection(request.volumes[index].scanner->roots)) selected.push_back(index);
    }
    for (const std::size_t index : selected) {
        if (counters_.StopRequested()) break;
        VolumeScanner& scanner = *request.volumes[index].scanner;
        if (selected.size() == 1) {
            ExportVolumeRoots(scanner, top);
            continue;
        }
        const std::string folderName = SafePathComponent(ToUtf16(VolumeFolderName(
            request.volumes[index].label, index, scanner.fsType, scanner.volumeSectors))).name;
        const std::optional<platform::DirectoryHandle> base = destination->MakeChild(folderName, error);
        if (!base) {
            log_.Add(LogLevel::Error, Formatted(StringId::FolderCreateFailed, top.Child(folderName).c_str()));
            // The volume's folder has no node: each root folder that was to go in it says so.
            for (const ScanNode& root : scanner.roots.roots) {
                if (!IsSelected(root) || root.children.empty()) continue;
                const std::string path = folderName + "/" + SafePathComponent(NameOf(root)).name;
                log_.Add(
                    ExportRecord{ExportStatus::Error, &scanner, &root, path, root.size, platform::ErrorText(error)});
            }
            continue;
        }
        ExportVolumeRoots(scanner, top.Below(*base, folderName));
    }

    outcome.stopped = counters_.StopRequested();
    outcome.filesWritten = counters_.filesWritten.load();
    outcome.destinationFull = destinationFull_;
    // A run that could not recover everything does not say that it did.
    const std::size_t failures = log_.CountOf(LogLevel::Error);
    if (outcome.stopped) {
        prompt_.Tell(StringId::ExportStopped, std::string(Text(StringId::ExportStopped)));
    } else if (failures > 0) {
        prompt_.Tell(StringId::ExportIncomplete, Formatted(StringId::ExportIncomplete, static_cast<unsigned>(failures)));
    } else {
        prompt_.Tell(StringId::ExportComplete, std::string(Text(StringId::ExportComplete)));
    }
    return outcome;
}

void ExportWriter::ExportVolumeRoots(VolumeScanner& scanner, const Place& base) {
    for (ScanNode& root : scanner.roots.roots) {
        if (counters_.StopRequested()) return;
        if (!IsSelected(root) || root.children.empty()) continue;
        root.Set(kFlagExporting, true);
        ExportFolder(scanner, root, base, 0);
        root.Set(kFlagExporting, false);
    }
}

void ExportWriter::ExportFolder(VolumeScanner& scanner, ScanNode& folder, const Place& into, int depth) {
    const SafeName safe = SafePathComponent(NameOf(folder));
    int error = 0;
    std::optional<platform::DirectoryHandle> made;
    std::string name = safe.name;
    if (depth < kMaxFolderDepth) {
        made = into.directory.MakeChild(name, error);
        if (!made) {
            name = FormatText("NewPath_Renam %u", folderRenames_.Next());
            made = into.directory.MakeChild(name, error);
        }
    }
    if (!made) {
        log_.Add(LogLevel::Error, Formatted(StringId::FolderCreateFailed, into.Child(safe.name).c_str()));
        const std::string reason = error != 0 ? platform::ErrorText(error) : std::string(Text(StringId::FoldersTooDeep));
        log_.Add(
            ExportRecord{ExportStatus::Error, &scanner, &folder, into.RelativeChild(safe.name), folder.size, reason});
        return;
    }
    const Place place = into.Below(*made, name);
    if (safe.changed || name != safe.name) {
        log_.Add(LogLevel::Renamed, Formatted(StringId::FileRenamed, ToUtf8(NameOf(folder)).c_str(), place.path.c_str()));
        log_.Add(ExportRecord{ExportStatus::Renamed, &scanner, &folder, place.relative, 0, {}});
    }
    ExportChildren(scanner, folder, place, depth);
}

void ExportWriter::ExportChildren(VolumeScanner& scanner, ScanNode& folder, const Place& into, int depth) {
    for (ScanNode& child : folder.children) {
        if (counters_.StopRequested()) return;
        if (!IsSelected(child)) continue;
        child.Set(kFlagExporting, true);
        if (child.IsDirectory()) {
            ExportFolder(scanner, child, into, depth + 1);
        } else {
            ExportFile(scanner, child, into);
        }
        child.Set(kFlagExporting, false);
    }
}

std::optional<std::string> ExportWriter::ResolveCollision(const std::string& name, const Place& into,
                                                          ExportRecord& record) {
    const auto taken = [&](const std::string& candidate) { return into.directory.Holds(candidate); };
    const std::optional<std::string> suggestion = SuggestFreeName(name, MillisecondTick(), taken);
    CollisionAnswer answer;
    if (counters_.rememberedChoice) {
        answer.choice = *counters_.rememberedChoice;
        answer.newName = suggestion.value_or(std::string{});
    } else {
        const CollisionQuestion question{into.Child(name), suggestion.value_or(std::string{})};
        answer = Timed([&] { return prompt_.AskCollision(question); });
        if (answer.applyToRest) counters_.rememberedChoice = answer.choice;
    }
    switch (answer.choice) {
        case CollisionChoice::Overwrite:
            return name;
        case CollisionChoice::Skip:
            record.status = ExportStatus::Skipped;
            return std::nullopt;
        case CollisionChoice::Stop:
            counters_.RequestStop();
            record.status = ExportStatus::Error;
            record.reason = Text(StringId::ExportStopped);
            return std::nullopt;
        case CollisionChoice::Rename:
            break;
    }
    if (answer.newName.empty()) {
        record.status = ExportStatus::Skipped;
        return std::nullopt;
    }
    std::string renamed = SafePathComponent(ToUtf16(answer.newName)).name;
    // A name typed by the user may be taken as well: it is never overwritten unasked.
    if (taken(renamed)) {
        const std::optional<std::string> free = SuggestFreeName(renamed, MillisecondTick(), taken);
        if (!free) {
            log_.Add(LogLevel::Error, Formatted(StringId::FileCreateFailed, into.Child(renamed).c_str()));
            record.status = ExportStatus::Error;
            record.reason = Text(StringId::NoFreeName);
            return std::nullopt;
        }
        renamed = *free;
    }
    log_.Add(LogLevel::Renamed, Formatted(StringId::FileRenamed, name.c_str(), into.Child(renamed).c_str()));
    return renamed;
}

void ExportWriter::NoteCreationTimes(const ScanNode& file) {
    if (creationTimesNoted_ || file.createdDate == 0) return;
    creationTimesNoted_ = true;
    log_.Add(LogLevel::Caution, std::string(Text(StringId::CreationTimeNotKept)));
}

void ExportWriter::ExportFile(VolumeScanner& scanner, const ScanNode& file, const Place& into) {
    ExportRecord record{ExportStatus::Written, &scanner, &file, {}, file.size, {}};
    WriteFile(scanner, file, into, record);
    log_.Add(record);
}

void ExportWriter::WriteFile(VolumeScanner& scanner, const ScanNode& file, const Place& into, ExportRecord& record) {
    const auto failed = [&](std::string_view reason) {
        record.status = ExportStatus::Error;
        record.reason = reason;
    };
    const SafeName safe = SafePathComponent(NameOf(file));
    record.path = into.RelativeChild(safe.name);
    // Located before anything is created: a file whose data cannot be found leaves no empty
    // file behind that would pass for a recovered one.
    if (file.size > 0 && !scanner.BuildExtents(file, extents_)) {
        log_.Add(LogLevel::Error, Formatted(StringId::FileExportError, into.Child(safe.name).c_str(),
                                            Text(StringId::FileDataNotLocated).data()));
        return failed(Text(StringId::FileDataNotLocated));
    }
    std::string name = safe.name;
    bool replace = false;
    if (into.directory.Holds(name)) {
        const std::optional<std::string> resolved = ResolveCollision(name, into, record);
        if (!resolved) return;
        replace = *resolved == name;
        name = *resolved;
    }
    record.path = into.RelativeChild(name);
    const std::string target = into.Child(name);
    // Only a regular file is ever replaced: a folder, link or device in the way stays.
    if (replace && !into.directory.HoldsRegularFile(name)) {
        log_.Add(LogLevel::Error, Formatted(StringId::FileCreateFailed, target.c_str()));
        return failed(Text(StringId::NotARegularFile));
    }
    int error = 0;
    std::optional<platform::StagedFile> output = platform::StagedFile::Begin(into.directory, name, error);
    if (!output) {
        log_.Add(LogLevel::Error, Formatted(StringId::FileCreateFailed, target.c_str()));
        return failed(platform::ErrorText(error));
    }
    if (safe.changed) {
        log_.Add(LogLevel::Renamed, Formatted(StringId::FileRenamed, ToUtf8(NameOf(file)).c_str(), target.c_str()));
    }
    NoteCreationTimes(file);

    // Until it is published the file has no name of its own, and a file that returns early
    // here is removed: a stop or a write error leaves nothing behind.
    bool readFailed = false;
    if (!WriteData(scanner, file, output->Output(), readFailed, error)) {
        return failed(ReportWriteError(file, target, error, into));
    }
    const bool complete = counters_.currentDone.load() == counters_.currentSize.load();
    if (!complete) {
        log_.Add(LogLevel::Error, Formatted(StringId::FileExportError, target.c_str(), Text(StringId::ExportStopped).data()));
        return failed(Text(StringId::ExportStopped));
    }
    output->Output().SetTimes(AccessedMomentOf(file), ModifiedMomentOf(file));
    if (!output->Publish(replace, error)) return failed(ReportWriteError(file, target, error, into));

    // Guessed extents and data whose first cluster a later file took may not be the file's;
    // a size larger than the volume was cut to what the extents hold.
    const bool beyondVolume = SizeBeyondVolume(scanner, file);
    const std::string beyondText =
        beyondVolume ? Formatted(StringId::SizeBeyondVolumeWritten, ToUtf8(NameOf(file)).c_str(), target.c_str())
                     : std::string();
    const bool doubtful = beyondVolume || file.Has(kFlagGuessedExtent) || file.Has(kFlagOverwritten);
    if (readFailed) {
        // Zeros where the source could not be read: kept, since the rest may be what the user needs.
        log_.Add(LogLevel::Error,
                 Formatted(StringId::FileExportError, target.c_str(), Text(StringId::SourceReadFailed).data()));
    } else {
        ++counters_.filesWritten;
        const std::string text =
            beyondVolume ? beyondText : Formatted(StringId::FileRecovered, ToUtf8(NameOf(file)).c_str(), target.c_str());
        log_.Add(doubtful ? LogLevel::Caution : LogLevel::Written, text);
    }
    std::vector<std::string> doubts;
    if (readFailed) doubts.emplace_back(Text(StringId::SourceReadFailed));
    if (beyondVolume) doubts.push_back(beyondText);
    if (file.Has(kFlagGuessedExtent)) doubts.emplace_back(Text(StringId::GuessedExtents));
    if (file.Has(kFlagOverwritten)) doubts.emplace_back(Text(StringId::TakenByLaterFile));
    record.bytes = counters_.currentDone.load();
    record.reason = Joined(doubts);
    const bool renamed = safe.changed || name != safe.name;
    record.status = !doubts.empty() ? ExportStatus::Caution : renamed ? ExportStatus::Renamed : ExportStatus::Written;
}

bool ExportWriter::WriteData(VolumeScanner& scanner, const ScanNode& file, platform::OutputFile& output,
                             bool& readFailed, int& error) {
    const std::uint64_t amount = BytesToCopy(scanner, file, extents_);
    counters_.currentDone = 0;
    counters_.currentSize = amount;
    if (amount == 0) return true;
    counters_.SetStatusText(Formatted(StringId::SavingFile, ToUtf8(NameOf(file)).c_str()));
    for (std::uint64_t offset = 0; offset < amount && !counters_.StopRequested();) {
        const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(kExportPieceBytes, amount - offset));
        const std::span<std::uint8_t> piece(buffer_.data(), length);
        // What could not be read comes back as zeros, never as the previous piece's bytes; what
        // could be read in the same piece is kept.
        if (!scanner.ReadNodeData(piece, offset, file, extents_)) readFailed = true;
        if (!output.Write(piece, error)) return false;
        offset += length;
        counters_.currentDone += length;
        counters_.allDone += length;
    }
    return true;
}

std::string ExportWriter::ReportWriteError(const ScanNode& file, const std::string& target, int error,
                                           const Place& into) {
    const std::string reason = platform::ErrorText(error);
    if (!counters_.StopRequested()) {
        const std::string question = Formatted(StringId::AskStopAfterWriteError, ToUtf8(NameOf(file)).c_str(), reason.c_str());
        if (Timed([&] { return prompt_.Confirm(StringId::AskStopAfterWriteError, question); })) counters_.RequestStop();
    }
    log_.Add(LogLevel::Error, Formatted(StringId::FileExportError, target.c_str(), reason.c_str()));
    if (!IsDiskFull(error) || counters_.StopRequested()) return reason;
    const std::optional<platform::FileSystemSpace> space = platform::SpaceOfDescriptor(into.directory.Descriptor());
    if (space && space->freeBytes < kNearlyFullBytes) {
        Timed([&] {
            prompt_.Tell(StringId::DestinationFull, std::string(Text(StringId::DestinationFull)));
            return true;
        });
        destinationFull_ = true;
        counters_.RequestStop();
    }
    return reason;
}

}  // namespace tundrel
