#pragma once
// A stream's valid data length: past it, up to the data length, a file reads as zeros. exFAT
// keeps it, when it is below the data length, in the node's two scanner-private words and marks
// the node with kFlagValidLength, so that nodes stay small on volumes that hold millions.

#include <cstdint>
#include <optional>

#include "scan/scan_node.h"

namespace tundrel {

void KeepValidLength(ScanNode& node, std::uint64_t validLength);

// The valid length of a node that has one below its size.
std::optional<std::uint64_t> ValidLengthOf(const ScanNode& node);

}  // namespace tundrel
