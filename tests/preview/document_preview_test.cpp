// Every test document of docs-fat32, live, deleted and found only by its content, previewed
// through the scanner that found it: the words the pane shows hold the reference text's words
// (LibreOffice's own text export, or pdftotext's) in order.

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "cli/scan_command.h"
#include "manifest.h"
#include "node_find.h"
#include "preview/file_preview.h"
#include "preview/preview_text.h"
#include "reference_words.h"
#include "scan/volume_scanner.h"
#include "support/text.h"
#include "test_support.h"

namespace tundrel {
namespace {

const char* const kDocuments[] = {
    "english.doc",  "english.docx",  "english.xls",  "english.xlsx",  "english.ppt",  "english.pptx",
    "english.pdf",  "english-slides.pdf", "japanese.doc", "japanese.docx", "japanese.xls", "japanese.xlsx",
    "japanese.ppt", "japanese.pptx", "japanese.pdf", "japanese-slides.pdf",
};

class DocumentPreview : public ::testing::Test {
protected:
    // One deleted-file scan of the image with every carving type on, as `tundrel preview
    // --carve-free --types all` makes it.
    static void SetUpTestSuite() {
        SetLanguage(Language::Japanese);
        session_ = new ScanSession;
        cli::ScanCommandOptions options;
        options.source = test::TestImage("docs-fat32").string();
        options.quiet = true;
        options.carveFree = true;
        options.types = "all";
        std::ostringstream err;
        ASSERT_EQ(cli::RunScanCommand(*session_, options, err), 0) << err.str();
        ASSERT_EQ(session_->Scanners().size(), 1u);
    }
    static void TearDownTestSuite() {
        delete session_;
        session_ = nullptr;
    }

    static VolumeScanner& Scanner() { return *session_->Scanners()[0]; }

    // The carved files by the sector their data starts at (the volume starts at sector 0).
    static std::map<std::uint32_t, const ScanNode*> CarvedBySector() {
        std::map<std::uint32_t, const ScanNode*> carved;
        test::ForEachNode(Scanner().roots[RootIndex::Types], [&](const ScanNode& node, const std::string&) {
            if (!node.IsDirectory()) carved.emplace(node.location, &node);
        });
        return carved;
    }

    static std::u16string Shown(const ScanNode& node) {
        PreviewOptions options;
        options.ansiCodePage = session_->settings.ansiCodePage;
        const PreviewContent content = BuildPreview({Scanner(), node}, options);
        EXPECT_FALSE(content.stopped);
        return PreviewAsText(content);
    }

    static inline ScanSession* session_ = nullptr;
};

TEST_F(DocumentPreview, EveryCopyShowsTheReferenceWordsInOrder) {
    std::map<std::string, test::ManifestFile> files;
    for (const auto& file : test::LoadManifest("docs-fat32")) files[file.path] = file;
    const auto carved = CarvedBySector();
    const std::uint32_t dataStart = static_cast<std::uint32_t>(Scanner().DataAreaStart());
    for (const std::string document : kDocuments) {
        const std::u16string reference = test::ReferenceText(document);
        ASSERT_FALSE(reference.empty()) << document;
        const ScanNode* live = test::FindPath(Scanner().roots[RootIndex::Root], "LIVE/" + document);
        const ScanNode* deleted =
            test::FindPath(Scanner().roots[RootIndex::Deleted], test::DeletedRootPath(files.at("GONE/" + document)));
        const auto byContent = carved.find(dataStart + files.at("Carved/" + document).firstCluster - 2);
        const std::pair<const char*, const ScanNode*> copies[] = {
            {"live", live},
            {"deleted", deleted},
            {"carved", byContent == carved.end() ? nullptr : byContent->second},
        };
        for (const auto& [state, node] : copies) {
            ASSERT_NE(node, nullptr) << state << " " << document;
            const std::u16string shown = Shown(*node);
            EXPECT_GE(test::ReferenceWordsInOrder(shown, reference), 0.95)
                << state << " " << document << " shows:\n" << ToUtf8(shown);
        }
    }
}

TEST_F(DocumentPreview, TextFilesAndArchivesShowAsTheyStand) {
    const ScanNode* notes = test::FindPath(Scanner().roots[RootIndex::Root], "LIVE/notes.txt");
    ASSERT_NE(notes, nullptr);
    std::u16string reference = test::ReferenceText("japanese.doc");
    if (reference.starts_with(u'\uFEFF')) reference.erase(0, 1);  // LibreOffice's byte-order mark
    EXPECT_EQ(Shown(*notes), reference);
    const ScanNode* archive = test::FindPath(Scanner().roots[RootIndex::Root], "LIVE/reports.zip");
    ASSERT_NE(archive, nullptr);
    const std::u16string listing = Shown(*archive);
    EXPECT_NE(listing.find(u"english.doc.ref.txt"), std::u16string::npos) << ToUtf8(listing);
    EXPECT_LT(listing.find(u"english.doc.ref.txt"), listing.find(u"japanese.pdf.ref.txt")) << ToUtf8(listing);
}

}  // namespace
}  // namespace tundrel
