#pragma once
// The interface every scanner of a volume, formatted area or disk implements.

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

#include "scan/file_extent.h"
#include "scan/name_pool.h"
#include "scan/result_tree.h"
#include "scan/scan_node.h"
#include "scan/scan_task.h"

namespace tundrel {

class ArchiveReader;
class ArchiveWriter;
class ScanContext;
class ScanProgress;
class SectorSource;
struct Settings;

// First sector of a file's data (including the volume start) to a value.
using SectorMap = std::unordered_map<std::uint32_t, std::uint32_t>;

class VolumeScanner {
public:
    VolumeScanner(ScanContext& context, std::uint32_t fsType);
    virtual ~VolumeScanner();
    VolumeScanner(const VolumeScanner&) = delete;
    VolumeScanner& operator=(const VolumeScanner&) = delete;

    // Runs the whole scan on the calling thread and fills the tree.
    virtual void Scan() = 0;
    // First volume-relative sector of a node's data.
    virtual std::uint32_t NodeFirstSector(const ScanNode& node) const;
    // Fills `extents` with the node's data runs in file order; true when it found any.
    virtual bool BuildExtents(const ScanNode& node, ExtentList& extents);
    // Bytes of the node's data that its extents describe, whatever its recorded size says.
    virtual std::uint64_t ExtentDataBytes(const ScanNode& node, const ExtentList& extents) const;
    // Copies buffer.size() bytes of the node's data from byte `offset`. What cannot be read is
    // zero-filled and the result is false, so no caller ever sees stale bytes.
    virtual bool ReadNodeData(std::span<std::uint8_t> buffer, std::uint64_t offset, const ScanNode& node,
                              const ExtentList& extents);
    // The sector on the source (volumeStart included) where a file's data begins; nothing for a
    // file that has no cluster of its own (data held in its record) or lies beyond 32 bits.
    virtual std::optional<std::uint32_t> FileDataSector(const ScanNode& file) const;
    // Enters into `target` the data sector of every file below `directory` with data whose
    // extension, upper-cased, equals `extension`.
    void MarkMatchingFiles(const ScanNode& directory, SectorMap& target, std::u16string_view extension,
                           const std::atomic<std::uint32_t>& stop) const;
    // Loads a directory's children on demand; true when it has children afterwards.
    virtual bool ExpandDirectory(ScanNode& node, std::uint32_t word);
    // Sectors of the volume that the source holds: the smaller of the volume's size and what
    // the source has from the volume's start; 0 when neither is known.
    std::uint64_t SourcedVolumeSectors() const;
    // First sector of the data area, volume-relative; -1 when the scanner has none.
    virtual std::int32_t DataAreaStart() const;
    // Runs after the boot sector copy was filled from the selected volume.
    virtual void OnBootSectorLoaded();
    // Stores the scanner and its tree in a saved scan result: this common part first, then
    // each derived scanner's own fields.
    virtual void Serialize(ArchiveWriter& archive) const;
    // Loads what Serialize stored; false when the archive is damaged. The scanner then reads
    // files as after its scan, and takes its tree as complete: no directory is read again.
    virtual bool Deserialize(ArchiveReader& archive);

    // The parameter blocks are the leading bytes of the boot sector.
    std::span<const std::uint8_t> FatBpb() const { return std::span(bootSector).first(62); }
    std::span<const std::uint8_t> NtfsBpb() const { return std::span(bootSector).first(84); }
    std::span<const std::uint8_t> BootHead() const { return std::span(bootSector).first(8); }

    ResultTree roots{};
    SectorSource* source;
    SectorSource* readSource;  // the source data reads go through
    std::uint32_t volumeStart = 0;
    std::uint32_t volumeSectors = 0;
    std::u16string firstText;   // free for the derived scanners
    std::u16string secondText;  // free for the derived scanners
    std::uint32_t fsType;
    std::array<std::uint8_t, 512> bootSector{};
    bool bootLoaded = false;
    std::uint32_t scannerWord = 0;  // the derived scanners' state that saved results keep
    NamePool namePool;
    SectorMap sectorMap;  // for the derived scanners' own use
    ScanOptions scanOptions{};

protected:
    bool treeLoaded_ = false;  // the tree came from a saved result
    ScanContext& context_;
    ScanProgress& progress_;
    const Settings& settings_;
};

}  // namespace tundrel
