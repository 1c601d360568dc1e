#pragma once
// Where an export destination lies relative to a scanned source.

#include <cstdint>
#include <string>

#include "platform/device.h"
#include "platform/storage_chain.h"

namespace tundrel {

// A scanned volume and what it rests on.
struct SourceStorage {
    std::string sourceName;  // as the user named it, for messages
    platform::SourceKind kind = platform::SourceKind::Image;
    platform::StorageChain chain;  // the source itself first
    std::uint64_t scanStart = 0;   // the scanned area, in the source's 512-byte sectors
    std::uint64_t scanCount = 0;
};

enum class Placement {
    Separate,        // no storage in common
    OnSourceVolume,  // on the scanned volume or image itself, or on something built from it
    OverlapsScan,    // on the same disk, in sectors the scan covered
    SameDisk,        // on the same disk, outside the scanned area
};

Placement PlaceDestination(const SourceStorage& source, const platform::StorageChain& destination);

}  // namespace tundrel
