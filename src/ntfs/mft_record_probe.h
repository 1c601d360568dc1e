#pragma once
// Placement hints read from one MFT record found somewhere on a disk: which record it is,
// where its directory index lies, and what cluster size its data sizes suggest.

#include <cstdint>
#include <span>

namespace tundrel {

struct ProbeRequest {
    bool sectorsPerCluster = false;  // guess the cluster size from a $DATA's sizes
    bool dataStart = false;          // decode a $DATA's first run
};

// Every field is 0 when nothing was found (or not asked for).
struct MftRecordHints {
    std::uint32_t ownRecord = 0;          // from the index root's first entry, or a left-over name
    std::uint32_t indexStartCluster = 0;  // first run of $INDEX_ALLOCATION
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t dataStartCluster = 0;
};

// The record at the start of `record` is realigned and its first sector fixed up in place.
MftRecordHints ProbeMftRecord(std::span<std::uint8_t> record, ProbeRequest request = {});

}  // namespace tundrel
