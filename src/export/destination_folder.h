#pragma once
// The export destination as named by the user, which need not exist yet: where it lies is
// judged on the nearest folder above it that exists, and the folders still missing are made
// only once the destination has passed those checks.

#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "platform/directory_handle.h"

namespace tundrel {

struct DestinationFolder {
    std::string path;                  // absolute
    std::string existing;              // the destination itself, or the nearest parent that exists
    std::vector<std::string> missing;  // the folders to make below `existing`, outermost first
    bool existingIsFolder = false;     // false for a regular file (or anything else) in the way
};

// Nothing, with `error` set, when an entry on the way cannot be looked at.
std::optional<DestinationFolder> LocateDestination(const std::string& destination, std::error_code& error);

// Makes the missing folders, each relative to the one above it, and opens the destination.
std::optional<platform::DirectoryHandle> MakeDestination(const DestinationFolder& folder, int& error);

}  // namespace tundrel
