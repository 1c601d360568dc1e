#include "cli/node_address.h"

#include <array>
#include <charconv>

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

std::optional<AddressStep> ParseStep(std::string_view text) {
    AddressStep step;
    const std::size_t hash = text.find('#');
    if (hash != std::string_view::npos) {
        const auto ordinal = ParseNumber(text.substr(hash + 1));
        if (!ordinal || *ordinal < 2) return std::nullopt;
        step.ordinal = *ordinal;
        text = text.substr(0, hash);
    }
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
    step.name = ToUtf16(decoded);
    return step;
}

std::string EscapeName(std::string_view name) {
    std::string out;
    for (const char c : name) {
        switch (c) {
            case '%': out += "%25"; break;
            case '/': out += "%2F"; break;
            case '#': out += "%23"; break;
            default: out += c;
        }
    }
    return out;
}

}  // namespace

std::optional<RootIndex> RootOfWord(std::string_view word) {
    for (std::size_t i = 0; i < kRootWords.size(); ++i) {
        if (kRootWords[i] == word) return static_cast<RootIndex>(i);
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

unsigned AddressBook::OrdinalOf(const ScanNode& node) {
    const ScanNode& parent = *node.parent;
    auto [entry, inserted] = ordinals_.try_emplace(&parent);
    if (inserted) {
        std::unordered_map<std::u16string_view, unsigned> seen;
        entry->second.reserve(parent.children.size());
        for (const ScanNode& sibling : parent.children) {
            const std::u16string_view name = sibling.name != nullptr ? std::u16string_view(sibling.name) : u"";
            entry->second.push_back(++seen[name]);
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
        if ((*it)->name != nullptr) step.name = (*it)->name;
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
