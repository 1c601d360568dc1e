#pragma once
// Addresses of result-tree nodes on the command line: "[V:]ROOT/PATH".
//
// V is the scanner's index in run order (0 when omitted); ROOT one of root, lost, deleted,
// recent, scanned, hidden, types, in any case; PATH names separated by "/". In a name "%" and
// "/" are written %25 and %2F. The second and later siblings of one name are "name#2",
// "name#3", ...; a "#" is part of the name everywhere else, and the listing writes it %23 only
// where a name ends in "#digits" and would otherwise read as a sibling number.

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "modes/scan_session.h"
#include "scan/result_tree.h"

namespace tundrel::cli {

// One path component. "name#N" (N >= 2) reads first as the N-th sibling called `name`;
// `literal` holds the other reading, the whole component as one name.
struct AddressStep {
    std::u16string name;
    unsigned ordinal = 1;  // the n-th sibling of that name, in child order
    std::optional<std::u16string> literal;
};

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

// The child of `folder` (its children filled) that a step names: the sibling reading when that
// node exists, else the literal one. `passedOver` is the node of the literal reading when both
// exist.
struct StepChoice {
    ScanNode* node = nullptr;
    const ScanNode* passedOver = nullptr;
};
StepChoice ChooseChild(ScanNode& folder, const AddressStep& step);

// The line that tells which reading of an ambiguous step was taken and how to write the other.
std::string AmbiguousStepNotice(const AddressStep& step, const ScanNode& passedOver);

// The node an address names, children filled on the way; each ambiguous step is told on `err`.
std::optional<FoundNode> FindNode(const ScanSession& session, const NodeAddress& address, std::ostream& err);

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
