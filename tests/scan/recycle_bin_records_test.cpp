// The former paths that a recycle bin's INFO2 index and "$I" files keep, read from bytes laid
// out as Windows writes them, damaged and hostile ones included.

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/ansi_code_page.h"
#include "scan/recycle_bin_records.h"

namespace tundrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

void PutU32(Bytes& bytes, std::size_t at, std::uint32_t value) { std::memcpy(bytes.data() + at, &value, 4); }
void PutWide(Bytes& bytes, std::size_t at, std::u16string_view text) { std::memcpy(bytes.data() + at, text.data(), 2 * text.size()); }

struct Info2Record {
    std::uint32_t number;
    std::string ansi;  // written without a terminating NUL when it fills the 260 bytes
    std::u16string wide;
};

// A 20-byte header and one 800-byte record each.
Bytes Info2(const std::vector<Info2Record>& records) {
    Bytes bytes(20 + 800 * records.size(), 0);
    for (std::size_t i = 0; i < records.size(); ++i) {
        const std::size_t at = 20 + 800 * i;
        std::memcpy(bytes.data() + at, records[i].ansi.data(), std::min<std::size_t>(records[i].ansi.size(), 260));
        PutU32(bytes, at + 260, records[i].number);
        PutWide(bytes, at + 280, records[i].wide);
    }
    return bytes;
}

TEST(RecycleBinRecordsTest, Info2RecordsGiveTheirNumbersUsablePaths) {
    struct Case {
        const char* what;
        std::vector<Info2Record> records;
        std::map<std::uint32_t, std::u16string> paths;
    };
    const std::string full(260, 'a');
    const Case cases[] = {
        {"both paths", {{7, "C:\\Docs\\a.txt", u"C:\\Docs\\a.txt"}}, {{7, u"C:\\Docs\\a.txt"}}},
        {"number 0 follows the previous", {{0, "C:\\a", u""}, {5, "C:\\b", u""}, {0, "C:\\c", u""}},
         {{1, u"C:\\a"}, {5, u"C:\\b"}, {6, u"C:\\c"}}},
        {"out-of-range numbers are passed over", {{3, "C:\\a", u""}, {10'001, "C:\\x", u""}, {0, "C:\\b", u""}, {10'000, "D:\\y", u""}},
         {{3, u"C:\\a"}, {4, u"C:\\b"}, {10'000, u"D:\\y"}}},
        {"UTF-16 when its last folder ends where the ANSI one's does", {{1, "C:\\A\\?.txt", u"C:\\A\\\u00e9t\u00e9.txt"}},
         {{1, u"C:\\A\\\u00e9t\u00e9.txt"}}},
        {"UTF-16 when longer", {{1, "C:\\x", u"C:\\Docs\\x"}}, {{1, u"C:\\Docs\\x"}}},
        {"ANSI when the UTF-16 path is shorter elsewhere", {{1, "C:\\Docs\\x.txt", u"C:\\D\\x"}}, {{1, u"C:\\Docs\\x.txt"}}},
        {"ANSI when the UTF-16 path is no path", {{1, "C:\\a.txt", u"a.txt"}}, {{1, u"C:\\a.txt"}}},
        {"no drive root, or nothing after it", {{1, "Docs\\a.txt", u"C:a.txt"}, {2, "C:", u"C:"}}, {}},
        {"hostile components", {{1, "C:\\..\\a", u""}, {2, "C:\\a/b\\c", u""}, {3, "C:\\\\c", u""}, {4, "C:\\a\\", u""},
                                {5, "C:\\.\\a", u""}, {6, "/:\\a", u""}}, {}},
        {"an ANSI path without its NUL", {{1, "C:\\" + full, u""}}, {}},
        // 表 in CP932 is 95 5C: its second byte is a backslash, which must not split the path.
        {"ANSI in the system's code page", {{1, "C:\\\x95\x5c\\a.txt", u""}}, {{1, u"C:\\\u8868\\a.txt"}}},
        {"UTF-16 when the decoded ANSI path's last folder ends where its own does",
         {{1, "C:\\\x8e\x91\\a.txt", u"C:\\\u8cc7\\a.txt"}}, {{1, u"C:\\\u8cc7\\a.txt"}}},
    };
    AnsiCodePage codePage("CP932");
    for (const Case& c : cases) EXPECT_EQ(ReadInfo2Paths(Info2(c.records), codePage), c.paths) << c.what;

    // A record cut short by the end of the bytes read is not read, nor is a header alone.
    Bytes cut = Info2({{1, "C:\\a", u""}, {2, "C:\\b", u""}});
    cut.resize(cut.size() - 1);
    EXPECT_EQ(ReadInfo2Paths(cut, codePage), (std::map<std::uint32_t, std::u16string>{{1, u"C:\\a"}}));
    for (std::size_t size : {0, 19, 20, 819}) EXPECT_TRUE(ReadInfo2Paths(Bytes(size, 0xff), codePage).empty()) << size;
}

// A "$I" file: version, size and deletion time, then the path (version 2: its length first).
Bytes ItemFile(std::uint64_t version, std::u16string_view path, std::optional<std::uint32_t> length = std::nullopt) {
    const std::size_t pathAt = version == 2 ? 28 : 24;
    Bytes bytes(pathAt + 2 * path.size() + 2, 0);
    bytes[0] = static_cast<std::uint8_t>(version);
    if (version == 2) PutU32(bytes, 24, length.value_or(static_cast<std::uint32_t>(path.size() + 1)));
    PutWide(bytes, pathAt, path);
    return bytes;
}

TEST(RecycleBinRecordsTest, ItemFilesOfBothVersionsGiveUsablePaths) {
    struct Case {
        const char* what;
        Bytes bytes;
        std::optional<std::u16string> path;
    };
    Bytes unterminated = ItemFile(1, std::u16string(260, u'a'));
    unterminated.resize(unterminated.size() - 2);
    const Case cases[] = {
        {"version 1", ItemFile(1, u"C:\\Docs\\a.txt"), u"C:\\Docs\\a.txt"},
        {"version 2", ItemFile(2, u"d:\\Users\\b.doc"), u"d:\\Users\\b.doc"},
        {"version 2 without its NUL counted", ItemFile(2, u"Z:\\c", 4), u"Z:\\c"},
        {"version 2 length past the bytes", ItemFile(2, u"C:\\c", 6), std::nullopt},
        {"version 2 huge length", ItemFile(2, u"C:\\c", 0xffff'ffff), std::nullopt},
        {"version 2 NUL inside", ItemFile(2, std::u16string(u"C:\\a\0b", 6)), std::nullopt},
        {"version 1 without NUL", unterminated, std::nullopt},
        {"unknown version", ItemFile(3, u"C:\\a"), std::nullopt},
        {"drive a", ItemFile(1, u"A:\\a"), std::nullopt},
        {"no drive root", ItemFile(1, u"C:a"), std::nullopt},
        {"parent component", ItemFile(2, u"C:\\x\\..\\..\\a"), std::nullopt},
        {"slash, empty component", ItemFile(1, u"C:\\x/y\\\\y"), std::nullopt},
        {"too short", Bytes{1, 0, 0, 0}, std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadRecycledItemPath(c.bytes), c.path) << c.what;
}

TEST(RecycleBinRecordsTest, RecycledFileNamesCarryTheirRecordNumbers) {
    const std::pair<std::u16string, std::optional<std::uint32_t>> cases[] = {
        {u"Dc7.txt", 7}, {u"Dz12", 12}, {u"Dd10000.doc", 10'000}, {u"Dc10001.doc", std::nullopt},
        {u"Dc99999999999.txt", std::nullopt}, {u"Da1.txt", std::nullopt}, {u"DC1.txt", std::nullopt},
        {u"Dc.txt", std::nullopt}, {u"INFO2", std::nullopt},
    };
    for (const auto& [name, number] : cases) EXPECT_EQ(RecycledFileNumber(name), number);
}

}  // namespace
}  // namespace tundrel
