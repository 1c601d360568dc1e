#include "cli/node_address.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <ostream>

#include "scan/node_expansion.h"
#include "support/strings.h"
#include "support/text.h"

namespace tundrel::cli {
namespace {

constexpr std::array<std::string_view, kRootCount> kRootWords{"root",    "lost",   "deleted", "recent",
                                                              "scanned", "hidden", "types"};

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<unsigned> ParseNumber(std::string_view text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

std::optional<std::u16string> DecodeName(std::string_view text) {
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int high = HexValue(text[i + 1]);
        const int low = HexValue(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return ToUtf16(decoded);
}

// Where a name ends in "#digits", the position of that "#".
std::optional<std::size_t> TrailingNumberMark(std::string_view text) {
    const std::size_t hash = text.rfind('#');
    if (hash == std::string_view::npos || hash + 1 == text.size()) return std::nullopt;
    for (std::size_t i = hash + 1; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
    }
    return hash;
}

std::optional<AddressStep> ParseStep(std::string_view text) {
    const auto whole = DecodeName(text);
    if (!whole) return std::nullopt;
    AddressStep step;
    step.name = *whole;
    const auto hash = TrailingNumberMark(text);
    if (!hash) return step;
    const auto ordinal = ParseNumber(text.substr(*hash + 1));
    if (!ordinal || *ordinal < 2) return step;
    step.literal = std::move(step.name);
    step.name = *DecodeName(text.substr(0, *hash));
    step.ordinal = *ordinal;
    return step;
}

std::string EscapeName(std::string_view name) {
    const auto numberMark = TrailingNumberMark(name);
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        switch (name[i]) {
            case '%': out += "%25"; break;
            case '/': out += "%2F"; break;
            case '#': out += numberMark == i ? "%23" : "#"; break;
            default: out += name[i];
        }
    }
    return out;
}

// The n-th child called `name`, or null.
ScanNode* ChildNamed(ScanNode& folder, std::u16string_view name, unsigned ordinal) {
    unsigned seen = 0;
    for (ScanNode& child : folder.children) {
        if (NameOf(child) == name && ++seen == ordinal) return &child;
    }
    return nullptr;
}

}  // namespace

std::optional<RootIndex> RootOfWord(std::string_view word) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < kRootWords.size(); ++i) {
        if (std::ranges::equal(kRootWords[i], word, {}, {}, lower)) return static_cast<RootIndex>(i);
    }
    return std::nullopt;
}

std::string_view RootWord(RootIndex root) { return kRootWords[static_cast<std::size_t>(root)]; }

std::optional<NodeAddress> ParseNodeAddress(std::string_view text) {
    NodeAddress address;
    const std::size_t colon = text.find(':');
    const std::size_t slash = text.find('/');
    if (colon != std::string_view::npos && (slash == std::string_view::npos || colon < slash)) {
        const auto volume = ParseNumber(text.substr(0, colon));
        if (!volume) return std::nullopt;
        address.volume = *volume;
        text = text.substr(colon + 1);
    }
    const std::size_t rootEnd = text.find('/');
    const auto root = RootOfWord(text.substr(0, rootEnd));
    if (!root) return std::nullopt;
    address.root = *root;
    if (rootEnd == std::string_view::npos) return address;
    std::string_view rest = text.substr(rootEnd + 1);
    while (!rest.empty()) {
        const std::size_t end = rest.find('/');
        const auto step = ParseStep(rest.substr(0, end));
        if (!step) return std::nullopt;
        address.steps.push_back(*step);
        if (end == std::string_view::npos) break;
        rest = rest.substr(end + 1);
    }
    return address;
}

std::string FormatAddressStep(const AddressStep& step) {
    std::string text = EscapeName(ToUtf8(step.name));
    if (step.ordinal >= 2) text += "#" + std::to_string(step.ordinal);
    return text;
}

std::string FormatNodeAddress(std::uint32_t volume, RootIndex root, const std::string& path) {
    std::string address = std::to_string(volume) + ":" + std::string(RootWord(root));
    if (!path.empty()) address += "/" + path;
    return address;
}

StepChoice ChooseChild(ScanNode& folder, const AddressStep& step) {
    ScanNode* sibling = ChildNamed(folder, step.name, step.ordinal);
    ScanNode* literal = step.literal ? ChildNamed(folder, *step.literal, 1) : nullptr;
    if (sibling == nullptr) return {literal, nullptr};
    return {sibling, literal};
}

std::string AmbiguousStepNotice(const AddressStep& step, const ScanNode& passedOver) {
    AddressStep other;
    other.name = NameOf(passedOver);
    return "tundrel: " + Formatted(StringId::AmbiguousAddressStep, FormatAddressStep(step).c_str(),
                                   ToUtf8(step.name).c_str(), std::to_string(step.ordinal).c_str(),
                                   ToUtf8(other.name).c_str(), FormatAddressStep(other).c_str());
}

std::optional<FoundNode> FindNode(const ScanSession& session, const NodeAddress& address, std::ostream& err) {
    std::optional<FoundNode> found = session.Find(address.volume, address.root, {});
    if (!found) return std::nullopt;
    for (const AddressStep& step : address.steps) {
        EnsureChildren(*found->scanner, *found->node);
        const StepChoice choice = ChooseChild(*found->node, step);
        if (choice.node == nullptr) return std::nullopt;
        if (choice.passedOver != nullptr) err << AmbiguousStepNotice(step, *choice.passedOver) << '\n';
        found->node = choice.node;
    }
    return found;
}

unsigned AddressBook::OrdinalOf(const ScanNode& node) {
    const ScanNode& parent = *node.parent;
    auto [entry, inserted] = ordinals_.try_emplace(&parent);
    if (inserted) {
        std::unordered_map<std::u16string_view, unsigned> seen;
        entry->second.reserve(parent.children.size());
        for (const ScanNode& sibling : parent.children) {
            entry->second.push_back(++seen[NameOf(sibling)]);
        }
    }
    const auto index = static_cast<std::size_t>(&node - parent.children.data());
    return index < entry->second.size() ? entry->second[index] : 1;
}

std::string AddressBook::PathOf(const ScanNode& node) {
    std::vector<const ScanNode*> chain;
    for (const ScanNode* at = &node; at->parent != nullptr; at = at->parent) chain.push_back(at);
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        AddressStep step;
        step.name = NameOf(**it);
        step.ordinal = OrdinalOf(**it);
        if (!path.empty()) path += '/';
        path += FormatAddressStep(step);
    }
    return path;
}

std::optional<std::string> AddressBook::AddressOf(std::uint32_t volume, const ResultTree& tree, const ScanNode& node) {
    const ScanNode* top = &node;
    while (top->parent != nullptr) top = top->parent;
    for (std::size_t index = 0; index < kRootCount; ++index) {
        if (top == &tree.roots[index]) return FormatNodeAddress(volume, static_cast<RootIndex>(index), PathOf(node));
    }
    return std::nullopt;
}

}  // namespace tundrel::cli
