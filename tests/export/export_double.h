#pragma once
// A scanner double over a pattern-filled image file, and a prompt that answers as told and
// remembers what it was asked: enough to drive the export writer without a file system.

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "export/export_prompt.h"
#include "scan/scan_context.h"
#include "scan/volume_scanner.h"
#include "test_support.h"
#include "scan/tree_builder.h"

namespace tundrel::test {

inline constexpr std::size_t kDoubleImageSectors = 2048;

// Files are contiguous runs of the image (their `location` is the first sector), read by the
// engine's own extent walk. Reads of `unreadable` files fail, zero-filled as every scanner's
// are; `onRead` runs before every read.
class DoubleScanner final : public VolumeScanner {
public:
    using VolumeScanner::VolumeScanner;

    void Scan() override {}
    bool BuildExtents(const ScanNode& node, ExtentList& extents) override {
        if (noExtents.count(node.location) != 0) return false;
        return VolumeScanner::BuildExtents(node, extents);
    }
    bool ReadNodeData(std::span<std::uint8_t> buffer, std::uint64_t offset, const ScanNode& node,
                      const ExtentList& extents) override {
        if (onRead) onRead(node, offset);
        if (unreadable.count(node.location) != 0) {
            std::fill(buffer.begin(), buffer.end(), 0);
            return false;
        }
        return VolumeScanner::ReadNodeData(buffer, offset, node, extents);
    }

    std::set<std::uint32_t> noExtents;
    std::set<std::uint32_t> unreadable;
    std::function<void(const ScanNode&, std::uint64_t)> onRead;
};

// One scan context over a fresh pattern image, holding any number of scanner doubles.
class DoubleVolumes {
public:
    DoubleVolumes();
    DoubleScanner& Add(std::uint32_t fsType = 2);
    // A contiguous file whose data is the image's bytes from sector `location`.
    ScanNode File(std::u16string_view name, std::uint32_t location, std::uint64_t size, std::uint32_t flags = 0);
    // Puts the children into the root folder, links parents and sets `rootFlags` (the check
    // marks) on the root folder; the children keep the marks the test gave them.
    void Place(DoubleScanner& scanner, RootIndex root, std::vector<ScanNode> children, std::uint32_t rootFlags = 0);
    std::vector<std::uint8_t> ImageBytes(std::uint32_t location, std::uint64_t size) const;

    TempDir dir;
    TreeBuilder tree;

private:
    Settings settings_;
    ScanProgress progress_;
    ScanEnvironment environment_{settings_, progress_, {}, nullptr};
    std::unique_ptr<ScanContext> context_;
    std::vector<std::uint8_t> image_;
};

class RecordingPrompt final : public ExportPrompt {
public:
    bool Confirm(StringId question, const std::string& text) override {
        asked.push_back(question);
        texts.push_back(text);
        return confirm;
    }
    bool ConfirmBigFiles(const std::string& text, const std::vector<std::string>& files) override {
        asked.push_back(StringId::FatDestinationBigFiles);
        texts.push_back(text);
        bigFiles = files;
        return confirm;
    }
    CollisionAnswer AskCollision(const CollisionQuestion& question) override {
        collisions.push_back(question);
        CollisionAnswer answer = collisionAnswer;
        if (answer.choice == CollisionChoice::Rename && answer.newName.empty()) answer.newName = question.suggestedName;
        return answer;
    }
    void Tell(StringId message, const std::string& text) override {
        told.push_back(message);
        texts.push_back(text);
    }

    bool confirm = true;
    CollisionAnswer collisionAnswer;
    std::vector<StringId> asked;
    std::vector<StringId> told;
    std::vector<std::string> texts;
    std::vector<std::string> bigFiles;
    std::vector<CollisionQuestion> collisions;
};

}  // namespace tundrel::test
