#pragma once
// How nodes are printed: JSON Lines for scripts, an indented tree for people.

#include <cstdint>
#include <iosfwd>
#include <string>

#include <nlohmann/json.hpp>

#include "scan/result_tree.h"

namespace tundrel {
class VolumeScanner;
}

namespace tundrel::cli {

// The words of the state bits a node has, in bit order ("deleted", "free", ...).
nlohmann::json StateWords(std::uint32_t flags);
// Those words, then "damaged" for a file whose recorded size is larger than its volume.
nlohmann::json NodeStateWords(const VolumeScanner& scanner, const ScanNode& node);

// One node of `scanner`'s tree as a JSON object; `path` is its address below the root folder.
nlohmann::json NodeJson(const VolumeScanner& scanner, const ScanNode& node, std::uint32_t volume, RootIndex root,
                        const std::string& path);

// One line of the tree listing, without indentation: name, size and state words.
std::string NodeLine(const VolumeScanner& scanner, const ScanNode& node);

}  // namespace tundrel::cli
