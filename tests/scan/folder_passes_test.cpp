// Rearranging a scanned tree: deleted entries to their root, hidden system entries to theirs;
// the names and folders of directories found in free space.

#include <gtest/gtest.h>

#include "scan/duplicate_names.h"
#include "scan/hidden_system_entries.h"
#include "scan/recycle_bin_folder.h"
#include "scan/restore_point_folder.h"
#include "scan/split_deleted.h"
#include "scan/node_links.h"
#include "scan/tree_builder.h"
#include "scan/user_document.h"

namespace tundrel {
namespace {

using Names = std::vector<std::u16string>;
constexpr std::uint32_t kDeleted = kFlagDeleted | kFlagRecordFree;
constexpr std::uint32_t kHiddenSystem = kFlagHidden | kFlagSystem;

class SpecialFoldersTest : public ::testing::Test {
protected:
    // A folder when it has children, linked to them.
    ScanNode Node(std::u16string_view name, std::uint32_t flags = 0, std::vector<ScanNode> children = {}) {
        ScanNode node = children.empty() ? tree.File(name, 0, flags) : tree.Dir(name, std::move(children), flags);
        LinkParents(node, LinkDepth::WholeSubtree);
        return node;
    }
    test::TreeBuilder tree;
};

TEST_F(SpecialFoldersTest, DeletedEntriesMoveUnderCopiesOfTheirLiveFolders) {
    ScanNode root = Node(u"root", 0, {
        Node(u"A", 0, {Node(u"B", 0, {Node(u"gone.doc", kDeleted), Node(u"kept.doc")})}),
        Node(u"Clean", 0, {Node(u"x.txt")}),
        Node(u"RECYCLER", kHiddenSystem, {Node(u"Dc1.doc")}),
        Node(u"Sub", 0, {Node(u"RECYCLER", kHiddenSystem, {Node(u"Dc2.doc")})}),
        Node(u"old.txt", kDeleted),
    });
    ScanNode deleted = Node(u"deleted", 0, {Node(u"earlier.txt", kDeleted)});
    SplitDeleted(root, deleted);

    EXPECT_EQ(test::NamesOf(root), (Names{u"A", u"Clean", u"Sub"}));
    EXPECT_EQ(test::NamesOf(deleted), (Names{u"earlier.txt", u"A", u"RECYCLER", u"old.txt"}));
    EXPECT_EQ(test::NamesOf(deleted.children[1].children[0]), Names{u"gone.doc"});
    EXPECT_FALSE(deleted.children[1].Has(kFlagDeleted));  // the copies are live folders
    EXPECT_EQ(test::NamesOf(root.children[0].children[0]), Names{u"kept.doc"});
    EXPECT_EQ(test::NamesOf(root.children[2].children[0]), Names{u"Dc2.doc"});  // only the top moves whole
    EXPECT_TRUE(test::ParentsLinked(root) && test::ParentsLinked(deleted));
    for (const char16_t* name : {u"RECYCLED", u"Recycled", u"RECYCLER", u"$Recycle.Bin"}) EXPECT_TRUE(IsRecycleBinFolderName(name));
    EXPECT_FALSE(IsRecycleBinFolderName(u"RECYCLE"));
}

TEST_F(SpecialFoldersTest, HiddenSystemEntriesWithoutUserDocumentsMoveToTheirRoot) {
    EXPECT_TRUE(HoldsUserDocument(Node(u"a", 0, {Node(u"b", 0, {Node(u"x.sys"), Node(u"y.Pdf")})})));
    EXPECT_FALSE(HoldsUserDocument(Node(u".doc")));  // a leading dot is no extension
    ScanNode root = Node(u"root", 0, {
        Node(u"System Volume Information", kHiddenSystem, {Node(u"tracking.log")}),
        Node(u"FOUND.000", kHiddenSystem, {Node(u"FILE0000.CHK")}),
        Node(u"Private", kHiddenSystem, {Node(u"letter.doc")}),
        Node(u"io.sys", kHiddenSystem),
        Node(u"hidden.txt", kFlagHidden),
    });
    ScanNode hidden = Node(u"hidden", 0, {Node(u"zz.bin", kHiddenSystem)});
    MoveHiddenSystemEntries(root, hidden);
    EXPECT_EQ(test::NamesOf(root), (Names{u"FOUND.000", u"Private", u"hidden.txt"}));
    EXPECT_EQ(test::NamesOf(hidden), (Names{u"System Volume Information", u"io.sys", u"zz.bin"}));
    EXPECT_TRUE(test::ParentsLinked(root) && test::ParentsLinked(hidden));
}

TEST_F(SpecialFoldersTest, NamesDifferingOnlyInCaseGetNumberedNames) {
    struct Case {
        Names before;
        Names after;
    };
    const Case cases[] = {
        {{u"Report.doc", u"REPORT.DOC"}, {u"Report.doc", u"REPORT_deleted_1.DOC"}},
        {{u"a.txt", u"A.txt", u"A.TXT"}, {u"a.txt", u"A_deleted_1.txt", u"A_deleted_2.TXT"}},
        // A number some child already has, in any case, is passed over.
        {{u"README", u"readme", u"README_DELETED_1"}, {u"README", u"readme_deleted_2", u"README_DELETED_1"}},
        {{u"v1.2.tar", u"V1.2.TAR", u"other"}, {u"v1.2.tar", u"V1.2_deleted_1.TAR", u"other"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        ScanNode dir = tree.Dir(u"d");
        for (const auto& name : c.before) dir.children.push_back(tree.File(name));
        RenameDuplicates(dir, tree.pool);
        EXPECT_EQ(test::NamesOf(dir), c.after);
    }
    // Folders keep their names.
    ScanNode dir = tree.Dir(u"d", {tree.Dir(u"Sub"), tree.Dir(u"SUB")});
    RenameDuplicates(dir, tree.pool);
    EXPECT_EQ(test::NamesOf(dir), (Names{u"Sub", u"SUB"}));
}

TEST_F(SpecialFoldersTest, RestorePointFoldersEndInHalfOrMoreLogNames) {
    struct Case {
        Names children;
        bool restorePoint;
    };
    const Case cases[] = {
        {{u"change.log.1", u"change.log.2", u"RestorePointSize"}, true},
        {{u"a.exe", u"#hange.log"}, true},
        {{u"a.exe", u"b.exe", u"c.exe", u"change.log.12"}, false},
        {{u"a.exe", u"b.exe", u"c.exe", u"change.log.12", u"RestorePointSize"}, true},
        {{u"change.log.1", u"change.log.2", u"a.exe"}, false},  // counted from the end only
        {{u"change.log.13"}, false},
        {{u"CHANGE.LOG.1"}, false},
        {{}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        ScanNode dir = tree.Dir(u"d");
        for (const auto& name : c.children) dir.children.push_back(tree.File(name));
        EXPECT_EQ(IsRestorePointFolder(dir), c.restorePoint);
    }
}

}  // namespace
}  // namespace tundrel
