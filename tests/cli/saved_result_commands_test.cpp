// `tundrel scan --save`, then ls, cat and export with the saved result in place of the image:
// the same answers, without scanning again.

#include <gtest/gtest.h>

#include <map>

#include "cli/exit_codes.h"
#include "support/display_format.h"
#include "support/strings.h"
#include "support/text.h"
#include "test_support.h"

namespace tundrel::cli {
namespace {

// Every file below `folder` by its relative path, with its bytes.
std::map<std::string, std::vector<std::uint8_t>> FilesBelow(const std::filesystem::path& folder) {
    std::map<std::string, std::vector<std::uint8_t>> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) files[std::filesystem::relative(entry.path(), folder).string()] = test::FileBytes(entry.path());
    }
    return files;
}

// Runs the command from `folder`, then goes back.
test::ToolOutcome RunIn(const std::filesystem::path& folder, std::vector<std::string> args) {
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    test::ToolOutcome outcome = test::RunTool(std::move(args));
    std::filesystem::current_path(before);
    return outcome;
}

TEST(SavedResultCommandsTest, ListingCatAndExportOfTheSavedResultEqualThoseOfTheImage) {
    const test::ScopedLanguage english(Language::English);
    const test::TempDir dir;
    const std::string image = test::TestImage("sample-disk").string();
    const test::ToolOutcome scan = test::RunTool({"scan", image, "-q", "--save", (dir / "r.kvf").string()});
    ASSERT_EQ(scan.status, kExitSuccess) << scan.err;
    EXPECT_NE(scan.err.find(Formatted(StringId::SaveResultWarning, image.c_str())), std::string::npos) << scan.err;

    // Named without "./" and from another folder than the one it was saved from.
    const test::ToolOutcome fromImage = test::RunTool({"ls", image, "-r", "--json"});
    const test::ToolOutcome fromResult = RunIn(dir.Path(), {"ls", "r.kvf", "-r", "--json"});
    ASSERT_EQ(fromResult.status, kExitSuccess) << fromResult.err;
    EXPECT_EQ(fromResult.out, fromImage.out);

    const std::string address = "0:deleted/Documents/#raft.txt";
    const test::ToolOutcome catImage = test::RunTool({"cat", image, address});
    const test::ToolOutcome catResult = RunIn(dir.Path(), {"cat", "r.kvf", address});
    ASSERT_EQ(catImage.status, kExitSuccess) << catImage.err;
    EXPECT_EQ(catResult.status, kExitSuccess) << catResult.err;
    EXPECT_EQ(catResult.out, catImage.out);

    const std::filesystem::path fromScan = dir / "scan", fromSaved = dir / "saved";
    EXPECT_EQ(test::RunTool({"export", image, "--to", fromScan.string(), "-y", "--all"}).status, kExitSuccess);
    const test::ToolOutcome exported = test::RunTool({"export", (dir / "r.kvf").string(), "--to", fromSaved.string(), "-y", "--all"});
    EXPECT_EQ(exported.status, kExitSuccess) << exported.err;
    const auto files = FilesBelow(fromScan);
    EXPECT_FALSE(files.empty());
    EXPECT_EQ(FilesBelow(fromSaved), files);

    // A saved result takes no scan options; --force takes nothing else.
    EXPECT_EQ(RunIn(dir.Path(), {"ls", "r.kvf", "--mode", "full"}).status, kExitUsage);
    EXPECT_EQ(test::RunTool({"ls", image, "--force"}).status, kExitUsage);
}

TEST(SavedResultCommandsTest, AnotherDiskIsRefusedUnlessForcedAndAnUnknownScannerStopIsReported) {
    const test::ScopedLanguage english(Language::English);
    const test::TempDir dir;
    const std::filesystem::path disk = test::CopyOfImage("fat16", dir.Path());
    const std::string result = (dir / "r.kvf").string();
    ASSERT_EQ(test::RunTool({"scan", disk.string(), "-q", "--save", result}).status, kExitSuccess);
    std::filesystem::copy_file(test::TestImage("fat32"), disk, std::filesystem::copy_options::overwrite_existing);
    const test::ToolOutcome refused = test::RunTool({"ls", result});
    EXPECT_EQ(refused.status, kExitSourceError);
    const std::string label = " " + disk.string() + ", " + FormatSize(std::filesystem::file_size(test::TestImage("fat16"))) + " ";
    EXPECT_NE(refused.err.find(std::string(Text(StringId::InformationCaption)) + ": " +
                               Formatted(StringId::CannotOpenSource, label.c_str())),
              std::string::npos)
        << refused.err;
    EXPECT_EQ(test::RunTool({"ls", result, "--force"}).status, kExitSuccess);

    // The task's scanner type follows its identity (which opens with the second copy of the
    // name), its parameter word, the parameter blocks and the scanner count.
    std::vector<std::uint8_t> bytes = test::FileBytes(result);
    const std::string text(bytes.begin(), bytes.end());
    const std::u16string name = ToUtf16(disk.string());
    const std::string nameBytes(reinterpret_cast<const char*>(name.data()), name.size() * 2);
    const std::size_t second = text.find(nameBytes, text.find(nameBytes) + 1);
    ASSERT_NE(second, std::string::npos);
    const std::size_t type = second + nameBytes.size() + 4 + 4 + 8 + 4 + 4 + 4 + 62 + 84 + 512 + 4;
    ASSERT_EQ(bytes[type], 1);  // FAT16
    bytes[type] = 9;
    test::WriteBinaryFile(result, bytes);
    const test::ToolOutcome stopped = test::RunTool({"ls", result, "--force"});
    EXPECT_EQ(stopped.status, kExitSuccess);
    EXPECT_NE(stopped.err.find(Formatted(StringId::ResultFileStoppedAtType, 9u)), std::string::npos) << stopped.err;
}

}  // namespace
}  // namespace tundrel::cli
