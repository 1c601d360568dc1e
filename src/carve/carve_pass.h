#pragma once
// One carving pass of a scanner: the rules of the switched-on types, the free areas it reads
// and offers to them, and at its end the removal of finds that known files already hold and
// the attaching of the rest under the scanner's root of file types.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "carve/carve_type_table.h"

namespace tundrel {

class ScanContext;
class VolumeScanner;

// Sectors of the source, the volume start included.
struct CarveRun {
    std::uint64_t firstSector = 0;
    std::uint64_t sectors = 0;
};

// Sees each whole cluster a pass read, after the carving rules were offered it.
using ReadClusterSeam = std::function<void(std::span<const std::uint8_t> cluster, std::uint64_t firstSector)>;

// How a free area is read: in pieces of `pieceSectors`, each offered `unitSectors` at a time
// (the buffer a recognizer may look ahead in); progress counts clusters.
struct CarveReadShape {
    std::uint32_t clusterSectors = 1;
    std::uint32_t pieceSectors = 128;
    std::uint32_t unitSectors = 128;
};

// What a pass needs to run, beyond a type switched on.
enum class CarveGate {
    RemainingArea,   // the setting to carve the remaining area
    TypesOnly,       // nothing more: the sweep reads the free space anyway
};

class CarvePass {
public:
    // A pass of the types switched on, when its gate is open; else inactive.
    CarvePass(VolumeScanner& scanner, ScanContext& context, CarveGate gate = CarveGate::RemainingArea);
    CarvePass(const CarvePass&) = delete;
    CarvePass& operator=(const CarvePass&) = delete;

    // Whether the pass has any rule: an inactive pass reads nothing and attaches nothing.
    bool Active() const { return !table_.empty(); }

    // Offers the blocks of bytes read from `firstSector` on.
    void Dispatch(std::span<const std::uint8_t> bytes, std::uint64_t firstSector);
    // Reads the runs in ascending order and offers them, showing the lost-file status with the
    // free clusters as the progress total; a stop request ends the reading. `readCluster`, when
    // set, is shown every cluster that could be read, in order.
    void ReadRuns(std::span<const CarveRun> runs, const CarveReadShape& shape, const ReadClusterSeam& readCluster = {});
    // Drops the finds that files of the task's scanners already hold and attaches the rest.
    // Runs also after a stop, so nothing found is lost.
    void Finish();

private:
    VolumeScanner& scanner_;
    ScanContext& context_;
    std::vector<CarveRule> table_;
    CarveContext carveContext_;
};

}  // namespace tundrel
