// Single MFT records: the summary parse and the placement probe, on records made the way NTFS
// writes them and on records that lie about their own layout.

#include <gtest/gtest.h>

#include "ntfs/mft_record_parse.h"
#include "ntfs/mft_record_probe.h"
#include "ntfs_test_support.h"

namespace tundrel {
namespace {

using test::RecordBuilder;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint16_t FatDate(int year, int month, int day) {
    return static_cast<std::uint16_t>(((year - 1980) << 9) | (month << 5) | day);
}

// Offset of the attribute `index` places after the first (at 0x38).
std::size_t AttributeOffset(const Bytes& record, int index) {
    std::size_t at = 0x38;
    for (int i = 0; i < index; ++i) at += record[at + 4] | (record[at + 5] << 8);
    return at;
}

// Time stamps are local; these tests read them in UTC.
class ParseTest : public ::testing::Test {
protected:
    ScanNode Parse(Bytes record, std::uint32_t* parent = nullptr) {
        record.resize(std::max<std::size_t>(record.size(), 2048));
        ScanNode node;
        const std::uint32_t parentRecord = ParseMftRecord(record, node, pool);
        if (parent != nullptr) *parent = parentRecord;
        return node;
    }
    static std::u16string NameOf(const ScanNode& node) { return node.name ? node.name : u"(none)"; }

    const test::TimeZone utc{"UTC"};
    NamePool pool;
};

TEST_F(ParseTest, NameParentSizeFlagsAndFirstClusterOfAFile) {
    std::uint32_t parent = 0;
    const ScanNode node = Parse(RecordBuilder(77)
                                    .Standard(0x0001 | 0x0002 | 0x0800)
                                    .Name(64, u"report.txt")
                                    .NonResidentData({0x31, 0x0A, 0x00, 0x00, 0xF0}, 40000)
                                    .Build(),
                                &parent);
    EXPECT_EQ(NameOf(node), u"report.txt");
    EXPECT_EQ(parent, 64u);
    EXPECT_EQ(node.recordNumber, 77u);
    EXPECT_EQ(node.size, 40000u);
    EXPECT_EQ(node.extra, 0xF00000u);  // the three delta bytes, unsigned
    // Records met one by one count as deleted; only a free one is also marked free.
    EXPECT_EQ(node.flags, kFlagDeleted | kFlagReadOnly | kFlagHidden | kFlagCompressed);
    EXPECT_EQ(Parse(RecordBuilder(78, 0).Standard().Name(5, u"gone.txt").Build()).flags, kFlagDeleted | kFlagRecordFree);
    // A sparse first run leaves `extra` alone; so does a directory; named streams are no data.
    EXPECT_EQ(Parse(RecordBuilder(79).Name(5, u"s").NonResidentData({0x05, 1, 0, 0, 0, 0}, 100).Build()).extra, 0u);
    EXPECT_EQ(Parse(RecordBuilder(80, 3).Name(5, u"d").NonResidentData({0x11, 1, 0x30}, 4096).Build()).extra, 0u);
    const ScanNode named = Parse(RecordBuilder(81).Name(5, u"n").ResidentData(Bytes(7, 1), u"Zone").Build());
    EXPECT_FALSE(named.Has(kFlagInRecord) || named.size != 0);
}

TEST_F(ParseTest, TimeSlotsComeFromStandardInformationThenFromTheName) {
    const std::uint64_t created = test::FileTimeOf(1695028658, 250);  // 2023-09-18 09:17:38.250
    const std::uint64_t modified = test::FileTimeOf(1700000000);      // 2023-11-14 22:13:20
    const std::uint64_t changed = test::FileTimeOf(1710000000);       // 2024-03-09 16:00:00
    const std::uint64_t accessed = test::FileTimeOf(1720000000);      // 2024-07-03 09:46:40
    const ScanNode both = Parse(RecordBuilder(70).Standard(0, created, modified, changed).Name(5, u"a").Build());
    EXPECT_EQ(both.createdDate, FatDate(2023, 9, 18));
    EXPECT_EQ(both.createdTime, (9u << 12) | (17u << 6) | 38u);
    EXPECT_EQ(both.milliseconds, 250u);
    EXPECT_EQ(both.modifiedDate, FatDate(2023, 11, 14));
    EXPECT_EQ(both.modifiedTime, (22u << 12) | (13u << 6) | 20u);
    EXPECT_EQ(both.accessedDate, FatDate(2024, 3, 9));

    // Without $STANDARD_INFORMATION the name's stamps fill the slots: its modification time
    // is the access date and its access time the modification.
    const ScanNode name = Parse(RecordBuilder(71).Name(5, u"b", 1, {created, modified, changed, accessed}).Build());
    EXPECT_EQ(name.createdDate, FatDate(2023, 9, 18));
    EXPECT_EQ(name.milliseconds, 0u);
    EXPECT_EQ(name.accessedDate, FatDate(2023, 11, 14));
    EXPECT_EQ(name.modifiedDate, FatDate(2024, 7, 3));
    EXPECT_EQ(name.modifiedTime, (9u << 12) | (46u << 6) | 40u);
}

TEST_F(ParseTest, RecordSixteenBytesIntoItsBlockIsReadFromWhereItStarts) {
    Bytes block(16, 0);
    const Bytes record = RecordBuilder(90).Standard().Name(5, u"shifted.txt").ResidentData(Bytes(20, 'x')).Build();
    block.insert(block.end(), record.begin(), record.end());
    const ScanNode shifted = Parse(block);
    EXPECT_EQ(NameOf(shifted), u"shifted.txt");
    EXPECT_EQ(shifted.recordNumber, 90u);
    EXPECT_EQ(shifted.size, 20u);
}

TEST_F(ParseTest, NamesLastAcceptedWinsDosChangesNothingAndTheRootHasNone) {
    std::uint32_t parent = 0;
    const ScanNode node = Parse(
        RecordBuilder(93).Standard().Name(64, u"Long Name.txt", 1).Name(65, u"posix.txt", 0).Name(66, u"LONGNA~1.TXT", 2).Build(),
        &parent);
    EXPECT_EQ(NameOf(node), u"posix.txt");
    EXPECT_EQ(parent, 65u);

    const ScanNode root = Parse(RecordBuilder(5, 0x0003).Standard(0x6).Name(5, u".", 3).Build(), &parent);
    EXPECT_EQ(root.name, nullptr);
    EXPECT_EQ(parent, 5u);
    EXPECT_TRUE(root.IsDirectory() && root.Has(kFlagInRecord) && root.Has(kFlagSystem));

    const ScanNode untouched = Parse(RecordBuilder(92).Standard(0x2).Name(5, u"x").FirstAttributeAt(0x20).Build(), &parent);
    EXPECT_TRUE(untouched.name == nullptr && untouched.flags == 0 && untouched.recordNumber == 0 && parent == 0);
}

TEST_F(ParseTest, RecordThatLiesAboutItsLayoutKeepsWhatCameBeforeButNoName) {
    const Bytes sound = RecordBuilder(97).Standard(0x2).Name(5, u"loop.txt").Raw(0x80, Bytes(24, 0)).Build();
    const std::size_t data = AttributeOffset(sound, 2);
    ASSERT_EQ(sound[data], 0x80);
    // Lengths of zero, past the record and negative; a name longer than its attribute; no end.
    for (const auto& [at, value] : {std::pair{data + 4, 0x00}, std::pair{data + 5, 0x08}, std::pair{data + 7, 0xFF},
                                    std::pair{AttributeOffset(sound, 1) + 0x58, 200}}) {
        Bytes record = sound;
        record[at] = static_cast<std::uint8_t>(value);
        const ScanNode node = Parse(record);
        EXPECT_EQ(node.name, nullptr) << at;
        EXPECT_NE(node.createdDate, 0u) << at;
    }
    EXPECT_EQ(Parse(RecordBuilder(100).Standard().Name(5, u"open").WithoutEndMarker().Build()).name, nullptr);

    Bytes noise(1024);  // a 1024-byte buffer with no room after it
    for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<std::uint8_t>((i * 131 + 7) % 251);
    std::copy_n("FILE\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\x38\0", 22, noise.begin());
    ScanNode node;
    ParseMftRecord(noise, node, pool);
}

Bytes IndexRoot(std::uint32_t ownRecord) {
    Bytes body(0x58, 0);
    for (int i = 0; i < 4; ++i) body[0x48 + i] = static_cast<std::uint8_t>(ownRecord >> (8 * i));
    return body;
}

// A record whose attributes end early and whose slack still holds an old $FILE_NAME value.
Bytes RecordWithLeftOverName(std::uint32_t parent, std::uint32_t firstTimeHigh) {
    Bytes record = RecordBuilder(80).Standard().Build();
    const std::size_t at = 0x38 + 0x60 + 0x40;  // the four time stamps
    for (int i = 0; i < 4; ++i) record[at - 8 + i] = static_cast<std::uint8_t>(parent >> (8 * i));
    for (std::size_t stamp = 0; stamp < 4; ++stamp) {
        const std::uint32_t high = stamp == 0 ? firstTimeHigh : 0x01D9EA12;
        for (int i = 0; i < 4; ++i) {
            record[at + 8 * stamp + i] = 0x11;
            record[at + 8 * stamp + 4 + i] = static_cast<std::uint8_t>(high >> (8 * i));
        }
    }
    return record;
}

TEST(ProbeTest, IndexRootIndexAllocationDataAndANameLeftInTheSlackGivePlacementHints) {
    Bytes allocation(0x38, 0);
    allocation[0x18] = 0x40;  // run-list offset, a 32-bit word at attribute offset 0x20
    const Bytes runs{0x21, 0x04, 0x34, 0x12, 0x00};
    allocation.insert(allocation.end(), runs.begin(), runs.end());
    Bytes directory = RecordBuilder(66, 0x3).Standard().Raw(0x90, IndexRoot(1234)).Raw(0xA0, allocation).Build();
    const MftRecordHints placed = ProbeMftRecord(directory);
    EXPECT_EQ(placed.ownRecord, 1234u);
    EXPECT_EQ(placed.indexStartCluster, 0x1234u);

    Bytes file = RecordBuilder(70).Standard().Name(5, u"f").NonResidentData({0x21, 0x08, 0x00, 0x02, 0x00}, 8 * 4096).Build();
    Bytes copy = file;
    const MftRecordHints asked = ProbeMftRecord(file, {true, true});
    EXPECT_EQ(asked.sectorsPerCluster, 8u);  // 32 KiB allocated over 8 clusters
    EXPECT_EQ(asked.dataStartCluster, 0x200u);
    const MftRecordHints unasked = ProbeMftRecord(copy);
    EXPECT_EQ(unasked.sectorsPerCluster + unasked.dataStartCluster, 0u);

    Bytes unsound = RecordBuilder(66, 0x3).Raw(0x90, IndexRoot(1234)).FirstAttributeAt(0x500).Build();
    EXPECT_EQ(ProbeMftRecord(unsound).ownRecord, 0u);

    // A name left in the slack names the parent; a negative parent, and time stamps of the shape
    // NTFS writes when it has none, are no evidence.
    for (const auto& [parent, firstTimeHigh, found] : {std::tuple{4242u, 0x01D9EA12u, 4242u},
                                                       std::tuple{0x80000001u, 0x01D9EA12u, 0u},
                                                       std::tuple{4242u, 0x11477982u, 0u}}) {
        Bytes record = RecordWithLeftOverName(parent, firstTimeHigh);
        EXPECT_EQ(ProbeMftRecord(record).ownRecord, found) << parent << " " << firstTimeHigh;
    }
}

}  // namespace
}  // namespace tundrel
