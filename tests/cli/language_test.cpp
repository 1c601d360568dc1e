// The language the command line speaks, chosen by the environment or --lang, for every command.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "support/strings.h"
#include "test_support.h"

namespace tundrel {
namespace {

// The longest stretch of a catalogue text between its printf arguments and line breaks: what
// a run's output must hold when that text was printed in that language.
std::string Fragment(StringId id, Language language) {
    const std::string text(CatalogueText(id, language));
    static const std::regex breaks(R"(%[0-9$]*[sdu]|\r\n)");
    std::string longest;
    for (auto it = std::sregex_token_iterator(text.begin(), text.end(), breaks, -1); it != std::sregex_token_iterator();
         ++it) {
        if (it->length() > static_cast<long>(longest.size())) longest = *it;
    }
    return longest;
}

Language Other(Language language) { return language == Language::Japanese ? Language::English : Language::Japanese; }

struct Environment {
    std::string variables;
    std::string option;  // "--lang ..." or empty
    Language expected;
};

class LanguageTest : public ::testing::Test {
protected:
    // Output and errors of the real binary, run with only the given locale variables set (the
    // pipe keeps the errors, which the harness would discard).
    std::string Run(const Environment& environment, const std::string& arguments) const {
        return test::CommandOutput("env -u LC_ALL -u LC_MESSAGES -u LANG -u LANGUAGE " + environment.variables + " " +
                                   TUNDREL_TOOL_PATH + " " + environment.option + " " + arguments + " 2>&1 | cat");
    }

    test::TempDir dir;
    const std::string sample = test::TestImage("sample-disk").string();
};

TEST_F(LanguageTest, EveryCommandAnswersInTheLanguageOfTheEnvironmentOrOfLang) {
    {
        std::ofstream zeros(dir / "zeros.img", std::ios::binary);
        zeros << std::string(64 * 1024, '\0');
    }
    const std::string zeros = (dir / "zeros.img").string();
    const std::string missing = (dir / "missing.img").string();
    // Each command, with the texts that its run prints.
    const std::pair<std::string, std::vector<StringId>> commands[] = {
        {"info " + missing, {StringId::SourceOpenFailed}},
        {"partitions " + zeros, {StringId::NoPartitionOn}},
        {"scan " + sample + " --volume all -q", {StringId::ScannedVolumeHeading, StringId::DeletedFiles}},
        {"ls " + sample + " --volume all -q", {StringId::DeletedFiles}},
        {"cat " + sample + " --volume all 0:deleted", {StringId::NodeIsFolder}},
        {"list", {StringId::SourcesDisks, StringId::SourcesDestinations}},
        {"export " + sample + " --volume all -q -y --to ", {StringId::ExportDestination, StringId::ExportCompleteTerminal}},
    };
    const Environment environments[] = {
        {"LANG=C", "", Language::English},
        {"LANG=en_US.UTF-8", "", Language::English},
        {"LANG=ja_JP.UTF-8", "", Language::Japanese},
        {"LANG=C", "--lang ja", Language::Japanese},
        {"LANG=ja_JP.UTF-8", "--lang en", Language::English},
    };
    int run = 0;
    for (const Environment& environment : environments) {
        for (const auto& [command, texts] : commands) {
            const bool exporting = command.starts_with("export");
            const std::filesystem::path destination = dir / ("out" + std::to_string(run++));
            const std::string output = Run(environment, command + (exporting ? destination.string() : ""));
            SCOPED_TRACE(environment.variables + " " + environment.option + " " + command + "\n" + output);
            for (const StringId id : texts) {
                EXPECT_NE(output.find(Fragment(id, environment.expected)), std::string::npos);
                EXPECT_EQ(output.find(Fragment(id, Other(environment.expected))), std::string::npos);
            }
            if (!exporting) continue;
            // The folders the export makes are named in the same language; the wizard's closing
            // words, which point at its Back button, are not printed.
            const std::string deleted(CatalogueText(StringId::DeletedFiles, environment.expected));
            EXPECT_TRUE(std::filesystem::is_directory(destination / "SAMPLEFAT [FAT32 34.00M]" / deleted));
            EXPECT_EQ(output.find(CatalogueText(StringId::ExportComplete, environment.expected)), std::string::npos);
        }
    }
}

TEST_F(LanguageTest, TheFirstLocaleVariableSetDecides) {
    const std::pair<std::string, Language> cases[] = {
        {"", Language::English},
        {"LANG=fr_FR.UTF-8", Language::English},
        {"LANG=ja", Language::Japanese},
        {"LANG=C LC_MESSAGES=ja_JP.UTF-8", Language::Japanese},
        {"LANG=ja_JP.UTF-8 LC_MESSAGES=POSIX", Language::English},
        {"LANG=C LC_MESSAGES=C LC_ALL=ja_JP.eucJP", Language::Japanese},
        {"LANG=ja_JP.UTF-8 LC_ALL=", Language::Japanese},  // an empty variable counts as not set
        {"LANG=javanese", Language::English},
    };
    for (const auto& [variables, expected] : cases) {
        const std::string output = Run({variables, "", expected}, "info " + (dir / "missing.img").string());
        EXPECT_NE(output.find(Fragment(StringId::SourceOpenFailed, expected)), std::string::npos) << variables << output;
    }
}

}  // namespace
}  // namespace tundrel
