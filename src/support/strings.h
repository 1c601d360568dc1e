#pragma once
// The user-visible texts of the system, one table for engine and front ends alike, in
// Japanese and English. The texts themselves live in the translators' catalogue, po/en.po.
// Ids below 10000 are the product's own string ids; texts that never had one are numbered
// from 10000 on.

#include <string>
#include <string_view>

#include "support/text.h"

namespace tundrel {

enum class StringId : unsigned {
    // Root folders of a result tree.
    RootDirectory = 139,
    LostFiles = 151,
    DeletedFiles = 149,
    RecentlyDeletedFiles = 296,
    ScannedFiles = 156,
    HiddenSystemFiles = 152,
    FileTypes = 247,

    // Scan phases.
    ScanningLostDirectories = 153,
    ScanningRootDirectory = 154,
    PreparingScan = 155,
    CheckingFileState = 279,
    RecoveringCheckDiskFiles = 300,
    ScanningLostFiles = 303,
    ScanRemainingArea = 309,

    // Modes.
    ModeDeleted = 176,
    ModeFormatted = 180,
    ModeLostPartition = 183,
    ModeFullScan = 188,
    SelectTarget = 211,

    // Carving types, in the table's order.
    TypeWord = 250,
    TypeExcel = 251,
    TypePowerPoint = 252,
    TypeVisio = 315,
    TypeOffice2007 = 291,
    TypeWav = 255,
    TypeMp3 = 295,
    TypeAvi = 256,
    TypeMpeg = 266,
    Type3gp = 267,
    TypeRmvb = 268,
    TypeMp4 = 269,
    TypeMov = 270,
    TypeFlv = 317,
    TypeSwf = 318,
    TypeJpeg = 253,
    TypePdf = 254,
    TypeBmp = 263,
    TypeZip = 257,
    TypeRar = 258,
    TypeCdr = 259,
    TypeCr2 = 306,
    TypeNef = 307,
    TypeOrf = 316,
    TypePng = 319,
    FileTypeHeading = 249,

    // Export.
    AskStopExport = 226,
    ExportToSourceRefused = 227,
    DestinationNotWritable = 229,
    ExportSelectionSummary = 230,
    ExportOverallProgress = 231,
    FolderCreateFailed = 232,
    FileExportError = 233,
    FileCreateFailed = 234,
    SavingFile = 235,
    ExportedSoFar = 236,
    FileRenamed = 237,
    ExportDestination = 238,
    ExportSpeed = 239,
    FileRecovered = 243,
    ExportStopped = 244,
    SizesStillComputing = 245,
    DestinationLacksSpace = 274,
    FatDestinationBigFiles = 275,
    AskStopAfterWriteError = 276,
    DestinationFull = 277,
    ExportComplete = 308,
    AskSameDiskOtherVolume = 320,
    AskSameDisk = 321,
    SameDiskRefused = 322,

    // Messages.
    InformationCaption = 271,
    FileFormatError = 278,
    CannotOpenSource = 281,
    PreviewLoading = 223,
    NothingSelectedForFullScan = 304,
    SaveResultWarning = 323,

    // Texts without an id of their own.
    ReconnectCaption = 10000,
    ReconnectRetry,
    ReconnectCancel,
    ReconnectHideWindow,
    ReconnectVolumeMessage,
    ReconnectDiskMessage,
    ReconnectDifferentDisk,
    OptionPromptReconnect,
    OptionMarkRecoverable,
    OptionShowMetafiles,
    OptionFullScanFat,
    OptionFullScanNtfs,
    OptionFullScanExFat,
    OptionCarveInDeletedMode,
    OptionDropListedFinds,
    ProgressTotalSize,
    ProgressItemCount,
    ProgressTitle,
    ProgressTimes,
    AskStopScan,
    RefreshingTree,
    NothingFound,
    AskExitWhileScanning,
    AskExitUnsaved,
    AskExit,
    DiskNumber,
    CreationTimeNotKept,
    SourceReadFailed,
    FileDataNotLocated,
    SizeBeyondVolumeWritten,
    FileExistsQuestion,
    CollisionOverwrite,
    CollisionRename,
    CollisionSkip,
    CollisionStop,
    CollisionApplyToRest,
    CollisionNewName,
    AnswerYes,
    AnswerNo,
    AnswerOk,
    AnswerCancel,
    DestinationNotAFolder,
    ExportIncomplete,

    // Phases of an NTFS scan.
    ReadingFileRecords,
    BuildingFolderTree,

    // Reasons in the export log's records for which the human log has no text of its own.
    FoldersTooDeep,
    NotARegularFile,
    NoFreeName,
    GuessedExtents,
    TakenByLaterFile,

    // Names the engine makes.
    LostRecordsRoot,

    // Command-line wording of texts that name the wizard's buttons or tools of another system.
    ExportCompleteTerminal,
    FatDestinationBigFilesTerminal,
    AskSameDiskOtherVolumeTerminal,
    ReconnectVolumeMessageTerminal,
    ReconnectDiskMessageTerminal,
    ReconnectStopAsking,

    // Opening the source and planning the scan.
    SourceOpenFailed,
    ImageInThisFolderHint,
    SourceHasNoSectors,
    NoVolumeAtSector,
    NoFileSystemOn,
    SkippingVolume,
    FullScanUnavailable,
    FileSystemScanUnavailable,
    NoVolumeScannable,

    // Command-line messages.
    NotANodeAddress,
    AmbiguousAddressStep,
    NoNodeAt,
    NodeIsFolder,
    NodeDataNotLocated,
    NodeSizeBeyondVolume,
    NodeDataNotWritten,
    NodePartsZeroed,
    NothingToExport,
    DestinationUnusable,
    DestinationNotCreated,
    LogFileNotWritable,
    LogFileIncomplete,
    NoPartitionOn,
    ScannedVolumeHeading,
    NoImageData,
    NoTerminalRefused,
    NoTerminalReadFails,
    ScanStoppedShowingFound,
    NoteLine,
    SourcesDisks,
    SourcesVolumes,
    SourcesImages,
    SourcesMounted,
    SourcesDestinations,
    MountedVolumeLine,
    FreeOfTotal,
    UnknownCarveType,
    // Preview.
    PreviewEncrypted,
    PreviewUnsupported,
    PreviewArchiveDamaged,
    PdfEncrypted,
    PdfBadHeader,
    PdfPageHeading,
    SlideSeparator,
    CellTrue,
    CellFalse,
    CellErrorCode,
    DefaultSheetName,
    PreviewImageFacts,
    PreviewCutAtLimit,
    PreviewNotReadWhole,

    // The full scan.
    FullScanTableFull,
    NothingSelectedForFullScanTerminal,
    RangeBeyondSource,

    // The full scan of a formatted volume's free area.
    FreeAreasUnreadable,
    FreeAreaNeedsVolume,

    // Saved scan results.
    ResultFileNotWritten,
    ResultFileNoResults,
    ResultFileStoppedAtType,
    ResultFileTakesNoScanOptions,
    ResultFileForceHint,

    // The wizard, tundrel-gui.
    WizardStep,
    WizardNext,
    WizardBack,
    WizardAbout,
    WizardOptions,
    WizardHelp,
    HelpFileMissing,
    PromptModeChoice,
    PromptVolumeChoice,
    PromptDiskChoice,
    PromptScanning,
    PromptBrowse,
    PromptPartitionsFound,
    PromptExporting,
    PromptRawChoice,
    ModeDeletedLine1,
    ModeDeletedLine2,
    ModeDeletedLine3,
    ModeDeletedLine4,
    ModeDeletedLine5,
    ModeFormattedLine1,
    ModeFormattedLine2,
    ModeFormattedLine3,
    ModeFormattedLine4,
    ModeLostPartitionLine1,
    ModeLostPartitionLine2,
    ModeLostPartitionLine3,
    ModeLostPartitionLine4,
    ModeLostPartitionLine5,
    ModeFullScanLine1,
    ModeFullScanLine2,
    ModeFullScanLine3,
    OpenSavedResults,
    OpenImageFile,
    ImageFileFilter,
    AllFilesFilter,
    DisksNotReadable,
    ImageNotReadable,
    SourceColumnName,
    SourceColumnFileSystem,
    SourceColumnSize,
    SourceColumnDetail,
    ResultColumnName,
    ResultColumnSize,
    ResultColumnCreated,
    ResultColumnModified,
    ResultColumnAccessed,
    ResultColumnState,
    ResultColumnLocation,
    SelectedCount,
    SelectedSize,
    AskBackToTop,
    WizardStop,
    WizardExport,
    ExportTooltip,
    WizardPreview,
    PreviewTooltip,
    WizardToTop,
    ExportDestinationTitle,
    ExportDestinationWarning,
    ExportDestinationFolder,
    ChooseFolder,
    LogLevelWritten,
    LogLevelError,
    LogLevelRenamed,
    LogLevelCaution,
    OptionsGeneralPage,
    OptionsFileTypePage,
    AboutTitle,
    AboutVersion,
    RangeSetupTitle,
    RangeScanArea,
    RangeStartSector,
    RangeEndSector,
    RangeBrackets,
    RangeSummary,
    RangeInvalid,
    ReconnectNote,
    PreviewTitle,
    ScanEndedClickNext,
    FindTitle,
    FindTooltip,
    FindByName,
    FindByExtension,
    FindSearching,
    FindCount,

    // The lost-partition search and the partition tables.
    LostPartitionsFound,
    LostPartitionSweepLimit,
    GptEntriesDamaged,
    GptHeaderDamaged,
    // The wizard's search for lost partitions.
    QuickScanTitle,
    PartitionsFoundSoFar,
    // The formatted-volume pane's choices.
    QuickScan,
    QuickScanHint,
    ScanFreeAreaOnly,
    ScanFreeAreaOnlyHint,
    // The wizard's saving and opening of scan results.
    ResultFileFilter,
    SaveResultsButton,
    SaveResultsTooltip,
    AskOpenResultWithoutIdentity,
    SavingResults,
    OptionCodePage,
    PartitionSearchStopped,
};

enum class Language : unsigned char { Japanese, English };

// Who reads the texts: the command line words a few of them its own way, since it has no
// buttons to click and does not run where the wizard's system tools are.
enum class Wording : unsigned char { Wizard, CommandLine };

// The language texts are given in: the environment's (see LanguageOfEnvironment) until set.
Language CurrentLanguage();
void SetLanguage(Language language);
void SetWording(Wording wording);

// The UTF-8 text of an id in the current language and wording.
std::string_view Text(StringId id);
std::u16string Text16(StringId id);
// The text of an id with its printf arguments filled in.
template <typename... Args>
std::string Formatted(StringId id, Args... args) {
    return FormatText(Text(id).data(), args...);
}
// The text of an id in one language, as the catalogue holds it.
std::string_view CatalogueText(StringId id, Language language);

}  // namespace tundrel
