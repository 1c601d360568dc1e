// The archive format of saved scan results: counted strings in each of their length forms,
// and reads of damaged fields.

#include <gtest/gtest.h>

#include <sstream>

#include "support/archive_reader.h"
#include "support/archive_writer.h"

namespace tundrel {
namespace {

TEST(ArchiveTest, StringsTakeTheLengthFormOfTheirLengthAndReadBack) {
    using namespace std::string_view_literals;
    struct Case {
        std::size_t length;
        std::string_view prefix;
    };
    const Case cases[] = {
        {0, "\xFF\xFE\xFF\x00"sv},
        {254, "\xFF\xFE\xFF\xFE"sv},
        {255, "\xFF\xFE\xFF\xFF\xFF\x00"sv},
        {65533, "\xFF\xFE\xFF\xFF\xFD\xFF"sv},
        {65534, "\xFF\xFE\xFF\xFF\xFF\xFF\xFE\xFF\x00\x00"sv},
    };
    for (const Case& c : cases) {
        std::u16string text(c.length, u'\0');
        for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char16_t>(u'a' + i % 26 + (i % 7 == 0 ? 0x3000 : 0));
        std::ostringstream out;
        ArchiveWriter(out).String(text);
        const std::string bytes = out.str();
        const std::string prefix(c.prefix);
        EXPECT_EQ(bytes.substr(0, prefix.size()), prefix) << c.length;
        EXPECT_EQ(bytes.size(), prefix.size() + 2 * c.length) << c.length;
        std::istringstream in(bytes);
        ArchiveReader reader(in, bytes.size());
        EXPECT_EQ(reader.String(), text) << c.length;
        EXPECT_TRUE(reader.Good());
        EXPECT_EQ(reader.Left(), 0u);
    }
}

TEST(ArchiveTest, DamagedFieldsFailAndEveryLaterReadGivesNothing) {
    const std::string damaged[] = {
        std::string("\x03" "abc", 4),                       // an 8-bit string
        std::string("\xFF\xFE\xFF\x10" "a\0", 6),            // a length past the bytes left
        std::string("\xFF\xFE\xFF\xFF\xFE\xFF" "a\0", 8),    // the mark where a length belongs
        std::string("\xFF\xFE\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 10),  // a 32-bit length of 2^31
    };
    for (const std::string& bytes : damaged) {
        std::istringstream in(bytes + std::string(8, '\x01'));
        ArchiveReader reader(in, bytes.size() + 8);
        EXPECT_EQ(reader.String(), u"");
        EXPECT_FALSE(reader.Good());
        EXPECT_EQ(reader.U32(), 0u);
    }
    std::istringstream in(std::string("\x01\x02\x03\x04\x05", 5));
    ArchiveReader reader(in, 3);  // the stream holds more than the archive may read
    EXPECT_EQ(reader.U16(), 0x0201);
    EXPECT_TRUE(reader.CanHold(1, 1));
    EXPECT_FALSE(reader.CanHold(2, 1));
    EXPECT_EQ(reader.U16(), 0u);
    EXPECT_FALSE(reader.Good());
}

}  // namespace
}  // namespace tundrel
