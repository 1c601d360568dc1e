// The preview pipeline over a scanner double whose files are any size: what it reads, where it
// stops, and which view each family gets.

#include "preview/file_preview.h"

#include <gtest/gtest.h>

#include <functional>

#include "preview/preview_selection.h"
#include "scan/scan_context.h"
#include "scan/volume_scanner.h"
#include "support/settings.h"

namespace tundrel {
namespace {

// Files of `fill` bytes, of the size their node says; counts what is read.
class SyntheticScanner final : public VolumeScanner {
public:
    using VolumeScanner::VolumeScanner;
    void Scan() override {}
    bool BuildExtents(const ScanNode& node, ExtentList& extents) override {
        extents.push_back({{}, 0, (node.size + 511) / 512, 0});
        return locatable;
    }
    bool ReadNodeData(std::span<std::uint8_t> buffer, std::uint64_t offset, const ScanNode&,
                      const ExtentList&) override {
        if (onRead) onRead(offset);
        std::fill(buffer.begin(), buffer.end(), fill);
        bytesRead += buffer.size();
        largestPiece = std::max<std::uint64_t>(largestPiece, buffer.size());
        return offset < failFrom;
    }

    bool locatable = true;
    std::uint8_t fill = 'a';
    std::uint64_t failFrom = UINT64_MAX;
    std::uint64_t bytesRead = 0;
    std::uint64_t largestPiece = 0;
    std::function<void(std::uint64_t)> onRead;
};

class FilePreviewTest : public ::testing::Test {
protected:
    ScanNode File(const char16_t* name, std::uint64_t size) {
        ScanNode node;
        node.name = name;
        node.size = size;
        return node;
    }

    Settings settings;
    ScanProgress progress;
    ScanEnvironment environment{settings, progress, {}, nullptr};
    ScanContext context{environment, ScanTask{}};
    SyntheticScanner scanner{context, 2};
};

TEST_F(FilePreviewTest, AFileLargerThanTheLimitIsReadFromItsStartInPieces) {
    const ScanNode big = File(u"big.doc", kPreviewSizeLimit + 10'000'000);
    const PreviewContent content = BuildPreview({scanner, big});
    EXPECT_EQ(scanner.bytesRead, kPreviewSizeLimit);
    EXPECT_EQ(scanner.largestPiece, kPreviewReadPiece);
    EXPECT_TRUE(content.cutAtLimit);
    EXPECT_FALSE(content.stopped);
    EXPECT_EQ(content.kind, PreviewKind::Nothing);  // no compound document: no text

    const ScanNode text = File(u"notes.TXT", 100);
    const PreviewContent shown = BuildPreview({scanner, text});
    EXPECT_EQ(shown.kind, PreviewKind::Text);
    EXPECT_EQ(shown.text, std::u16string(100, u'a'));
    EXPECT_FALSE(shown.cutAtLimit);
}

TEST_F(FilePreviewTest, AChangeOfSelectionOrAFailedReadEndsTheReading) {
    PreviewSelection selection;
    const ScanNode file = File(u"log.txt", 10 * kPreviewReadPiece);
    const std::uint64_t generation = selection.Select();
    scanner.onRead = [&](std::uint64_t offset) {
        EXPECT_EQ(selection.Running(), 1);
        if (offset == 2 * kPreviewReadPiece) selection.Select();
    };
    const PreviewContent changed = BuildPreview({scanner, file, &selection, generation});
    EXPECT_TRUE(changed.stopped);
    EXPECT_EQ(scanner.bytesRead, 3 * kPreviewReadPiece);
    EXPECT_EQ(selection.Running(), 0);

    // A Word document read only in part is no document: what was read is shown as text.
    scanner.onRead = nullptr;
    scanner.failFrom = kPreviewReadPiece;
    const PreviewContent failed = BuildPreview({scanner, File(u"letter.doc", 3 * kPreviewReadPiece)});
    EXPECT_TRUE(failed.stopped);
    EXPECT_EQ(failed.kind, PreviewKind::Text);
    EXPECT_EQ(failed.text.size(), kPreviewReadPiece);

    scanner.locatable = false;
    EXPECT_TRUE(BuildPreview({scanner, file}).unlocated);
}

TEST_F(FilePreviewTest, EachFamilyGetsItsView) {
    const struct {
        const char16_t* name;
        PreviewKind kind;
    } cases[] = {
        {u"a.png", PreviewKind::Image},      {u"a.bin", PreviewKind::Hex},
        {u"noextension", PreviewKind::Hex},  {u"a.rtf", PreviewKind::RichText},
        {u"a.zip", PreviewKind::Listing},    {u"a.pdf", PreviewKind::Text},  // "文件头不对"
    };
    for (const auto& c : cases) {
        const ScanNode file = File(c.name, 3000);
        EXPECT_EQ(BuildPreview({scanner, file}).kind, c.kind) << static_cast<int>(c.kind);
    }
    PreviewOptions hex;
    hex.hex = true;
    hex.hexLimit = 100;
    const ScanNode text = File(u"a.txt", 3000);
    scanner.bytesRead = 0;
    EXPECT_EQ(BuildPreview({scanner, text}, hex).kind, PreviewKind::Hex);
    EXPECT_EQ(scanner.bytesRead, 100u);
}

}  // namespace
}  // namespace tundrel
