// The build's check of the translators' catalogue: what it lets through becomes the program's
// text table, so every way a catalogue can go wrong must stop the build.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "test_support.h"

namespace tundrel {
namespace {

const std::filesystem::path kSource = std::filesystem::path(TUNDREL_TEST_DATA_DIR).parent_path();

std::string ReadText(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class CatalogueTest : public ::testing::Test {
protected:
    // Whether the generator accepts the catalogue with `from` replaced by `to` (once).
    bool Accepts(const std::string& from, const std::string& to) {
        std::string catalogue = ReadText(kSource / "po/en.po");
        const std::size_t at = catalogue.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos) catalogue.replace(at, from.size(), to);
        std::ofstream(dir / "en.po") << catalogue;
        return test::RunQuietly(std::string(TUNDREL_STRING_TABLES_TOOL) + " " + (dir / "en.po").string() + " " +
                                (kSource / "src/support/strings.h").string() + " " + (dir / "table.inc").string());
    }

    test::TempDir dir;
};

TEST_F(CatalogueTest, TheCatalogueAsCommittedIsAcceptedAndEveryFlawStopsTheBuild) {
    EXPECT_TRUE(Accepts("", ""));
    const std::pair<std::string, std::string> flaws[] = {
        {"msgstr \"Deleted Files\"", "msgstr \"\""},                          // an English text missing
        {"msgctxt \"DeletedFiles\"", "msgctxt \"DeletedFile\""},              // an id without entry, an entry without id
        {"msgstr \"Destination [%s]\"", "msgstr \"Destination [%d]\""},       // other arguments
        {"msgstr \"Destination [%s]\"", "msgstr \"Destination [%s] %s\""},    // more arguments
        {"msgstr \"Speed about %s/s", "msgstr \"Speed 100% about %s/s"},      // a stray %
        {"msgstr \"Error number: %u.", "msgstr \"Error number: %1$s."},       // positions that do not match
        {"【%s】が開けません。\"", "【%s】が開けません。\\q\""},                 // a bad escape
        {"#. command-line wording of ExportComplete", "#. command-line wording of ExportCompletion"},
    };
    for (const auto& [from, to] : flaws) EXPECT_FALSE(Accepts(from, to)) << to;
}

}  // namespace
}  // namespace tundrel
