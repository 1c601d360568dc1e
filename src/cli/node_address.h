#pragma once
// Addresses of result-tree nodes on the command line: "[V:]ROOT/PATH".
//
// V is the scanner's index in run order (0 when omitted); ROOT one of root, lost, deleted,
// recent, scanned, hidden, types; PATH names separated by "/". In a name "%", "/" and "#" are
// written %25, %2F and %23; the second and later siblings of one name are "name#2", "name#3".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "modes/scan_session.h"
#include "scan/result_tree.h"

namespace tundrel::cli {

using AddressStep = NodeStep;

struct NodeAddress {
    std::uint32_t volume = 0;
    RootIndex root = RootIndex::Root;
    std::vector<AddressStep> steps;
};

std::optional<NodeAddress> ParseNodeAddress(std::string_view text);
std::optional<RootIndex> RootOfWord(std::string_view word);
std::string_view RootWord(RootIndex root);

// One path component: the escaped name, with "#n" when it is not the first of its name.
std::string FormatAddressStep(const AddressStep& step);
// "V:ROOT" or "V:ROOT/PATH", `path` made of formatted steps.
std::string FormatNodeAddress(std::uint32_t volume, RootIndex root, const std::string& path);

// Paths of nodes below their root folder ("a/b#2/c"); the parent links must be set. The
// sibling numbers of each folder are worked out once, so listing a large folder stays linear.
class AddressBook {
public:
    std::string PathOf(const ScanNode& node);
    // The whole address of a node of `tree`, the `volume`-th scanner's; nothing when the node's
    // parent links do not lead to one of the tree's root folders.
    std::optional<std::string> AddressOf(std::uint32_t volume, const ResultTree& tree, const ScanNode& node);

private:
    unsigned OrdinalOf(const ScanNode& node);

    std::unordered_map<const ScanNode*, std::vector<unsigned>> ordinals_;  // by parent, per child
};

}  // namespace tundrel::cli
