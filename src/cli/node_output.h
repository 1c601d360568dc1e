#pragma once
// How nodes are printed: JSON Lines for scripts, an indented tree for people.

#include <cstdint>
#include <iosfwd>
#include <string>

#include <nlohmann/json.hpp>

#include "scan/result_tree.h"

namespace tundrel::cli {

// The words of the state bits a node has, in bit order ("deleted", "free", ...).
nlohmann::json StateWords(std::uint32_t flags);

// One node as a JSON object; `path` is its address below the root folder.
nlohmann::json NodeJson(const ScanNode& node, std::uint32_t volume, RootIndex root, const std::string& path);

// One line of the tree listing, without indentation: name, size and state words.
std::string NodeLine(const ScanNode& node);

}  // namespace tundrel::cli
