// `tundrel export` end to end: the selection, the log and its records, collisions without
// a terminal, and the destination refusals on real loop devices.

#include <gtest/gtest.h>
#include <sys/mount.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "cli/exit_codes.h"
#include "export_double.h"
#include "manifest.h"
#include "md5.h"
#include "support/strings.h"
#include "support/text.h"

namespace tundrel::cli {
namespace {

namespace fs = std::filesystem;

using test::RunTool;
using Outcome = test::ToolOutcome;

// How many lines of a log file start with `prefix` and hold `part`.
std::size_t CountLines(const fs::path& file, std::string_view prefix, std::string_view part = "") {
    std::ifstream in(file);
    std::size_t count = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with(prefix) && line.find(part) != std::string::npos) ++count;
    }
    return count;
}

const std::string kDeletedFolder = ToUtf8(Text16(StringId::DeletedFiles));

std::string TextOf(const fs::path& file) {
    const std::vector<std::uint8_t> bytes = test::FileBytes(file);
    return {bytes.begin(), bytes.end()};
}

// The records of a log file as a script reads them: JSON Lines with a JSON parser; TSV split
// at tabs, its \\, \t, \n and \r undone, into the same objects.
std::vector<nlohmann::json> LogRecords(const fs::path& file, const std::string& format) {
    if (format == "jsonl") return test::JsonLines(TextOf(file));
    std::istringstream lines(TextOf(file));
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "status\taddress\tpath\tsize\treason");
    std::vector<nlohmann::json> records;
    while (std::getline(lines, line)) {
        std::vector<std::string> fields(1);
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '\t') {
                fields.emplace_back();
            } else if (line[i] == '\\' && i + 1 < line.size()) {
                const char c = line[++i];
                fields.back() += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
            } else {
                fields.back() += line[i];
            }
        }
        EXPECT_EQ(fields.size(), 5u) << line;
        if (fields.size() != 5) continue;
        records.push_back({{"status", fields[0]}, {"address", fields[1]}, {"path", fields[2]},
                           {"size", std::stoull(fields[3])}, {"reason", fields[4]}});
    }
    return records;
}

class ExportCommandTest : public ::testing::Test {
protected:
    fs::path image = test::TestImage("fat16");
    test::TempDir dir;
};

TEST_F(ExportCommandTest, DeletedFilesAreRecoveredAndLoggedOneLineEach) {
    const fs::path out = dir / "new" / "folder\xFF";  // a destination whose name is not UTF-8
    const Outcome first = RunTool(
        {"export", image.string(), "--to", out.string(), "--log", (dir / "log.txt").string(), "--log-format", "text"});
    ASSERT_EQ(first.status, kExitSuccess) << first.err;
    const fs::path log = dir / "log.txt";
    // part-b.txt (a short name, shown as "#art-b.txt") lost its first cluster to a later file:
    // written, with a caution.
    EXPECT_EQ(CountLines(log, "written\t"), 13u);
    EXPECT_EQ(CountLines(log, "caution\t", "#art-b.txt"), 1u);
    EXPECT_EQ(CountLines(log, "error\t"), 0u);
    EXPECT_EQ(CountLines(log, "", "\r"), 0u);
    EXPECT_TRUE(fs::exists(out / kDeletedFolder / "Deleted Long Name.txt"));
    EXPECT_FALSE(fs::exists(out / ToUtf8(Text16(StringId::RootDirectory))));

    // Again into the same folder, with no terminal to ask on: every file is renamed, none
    // overwritten.
    const auto before = fs::last_write_time(out / kDeletedFolder / "Deleted Long Name.txt");
    const Outcome second = RunTool({"export", image.string(), "--to", out.string(), "--log",
                                    (dir / "log2.txt").string(), "--log-format", "text"});
    EXPECT_EQ(second.status, kExitSuccess) << second.err;
    EXPECT_EQ(CountLines(dir / "log2.txt", "renamed\t"), 14u);
    EXPECT_EQ(fs::last_write_time(out / kDeletedFolder / "Deleted Long Name.txt"), before);

    const fs::path records = dir / "log.jsonl";
    const Outcome skipped = RunTool(
        {"export", image.string(), "--to", out.string(), "--on-collision", "skip", "--json", "--log", records.string()});
    EXPECT_EQ(skipped.status, kExitSuccess);
    EXPECT_EQ(skipped.out.find("\"written\""), std::string::npos);
    EXPECT_EQ(LogRecords(records, "jsonl").size(), 14u);
    for (const nlohmann::json& record : LogRecords(records, "jsonl")) {
        EXPECT_EQ(record["status"], "skipped") << record;
        EXPECT_EQ(record["size"], fs::file_size(out / record["path"].get<std::string>())) << record;
    }

    // A folder in the way is never replaced: that file alone fails, and says why.
    const std::string blocked = kDeletedFolder + "/Deleted Long Name.txt";
    fs::remove(out / blocked);
    fs::create_directory(out / blocked);
    const Outcome overwrite = RunTool({"export", image.string(), "--to", out.string(), "--on-collision", "overwrite",
                                       "--log", records.string(), "--json"});
    EXPECT_EQ(overwrite.status, kExitExportIncomplete);
    // Stdout holds JSON Lines alone, and they parse though the destination's name is not UTF-8.
    std::istringstream lines(overwrite.out);
    std::size_t errorEntries = 0;
    for (std::string line; std::getline(lines, line);) {
        const nlohmann::json entry = nlohmann::json::parse(line, nullptr, false);
        ASSERT_FALSE(entry.is_discarded()) << line;
        errorEntries += entry["level"] == "error";
    }
    EXPECT_EQ(errorEntries, 1u);
    std::size_t errors = 0;
    for (const nlohmann::json& record : LogRecords(records, "jsonl")) {
        if (record["status"] != "error") continue;
        ++errors;
        EXPECT_EQ(record["path"], blocked);
        EXPECT_NE(record.value("reason", ""), "");
    }
    EXPECT_EQ(errors, 1u);
}

// Every volume of an image exported whole, with its log file read back: one record per file
// written, at the path it has at the destination, with the right status, an address that
// `tundrel cat` takes, and the manifest's contents.
class ExportLogTest : public ::testing::TestWithParam<std::tuple<std::string, std::string>> {
protected:
    std::string image = std::get<0>(GetParam());
    std::string format = std::get<1>(GetParam());
};

// A manifest path as an address writes it: "%" escaped, and the "#" of a name that ends in
// "#digits", which would otherwise read as a sibling number.
std::string AddressPath(const std::string& path) {
    static const std::regex numbered(R"(#([0-9]+)(/|$))");
    std::string escaped;
    for (const char c : path) escaped += c == '%' ? "%25" : std::string(1, c);
    return std::regex_replace(escaped, numbered, "%23$1$2");
}

TEST_P(ExportLogTest, RecordsNameEveryFileWrittenAndItsAddress) {
    const fs::path source = test::TestImage(image);
    const test::TempDir dir;
    const fs::path out = dir / "out", log = dir / "log";
    const Outcome outcome = RunTool({"export", source.string(), "--volume", "all", "--all", "--to", out.string(),
                                     "--log", log.string(), "--log-format", format});
    ASSERT_EQ(outcome.status, kExitSuccess) << outcome.err;

    std::set<std::string> files, recorded;
    for (const auto& entry : fs::recursive_directory_iterator(out)) {
        if (entry.is_regular_file()) files.insert(fs::relative(entry.path(), out).generic_string());
    }
    std::map<std::string, nlohmann::json> byAddress;
    std::string laterVolume, renamed;  // samples for `cat`: a file of a volume after the first, a renamed one
    for (const nlohmann::json& record : LogRecords(log, format)) {
        const std::string path = record["path"];
        const std::string address = record["address"];
        EXPECT_TRUE(record["status"] == "written" || record["status"] == "renamed") << record;
        ASSERT_TRUE(fs::exists(out / path)) << path;
        EXPECT_TRUE(byAddress.emplace(address, record).second) << address;
        if (!fs::is_regular_file(out / path)) continue;
        EXPECT_TRUE(recorded.insert(path).second) << path;
        if (fs::file_size(out / path) > 100000) continue;
        if (laterVolume.empty() && !address.starts_with("0:")) laterVolume = address;
        if (renamed.empty() && record["status"] == "renamed") renamed = address;
    }
    EXPECT_EQ(recorded, files);

    std::vector<test::CommittedVolume> volumes;  // in run order
    std::copy_if(std::begin(test::kCommittedVolumes), std::end(test::kCommittedVolumes), std::back_inserter(volumes),
                 [&](const test::CommittedVolume& volume) { return volume.image == image; });
    if (volumes.empty()) volumes.push_back({"ntfs-names", "ntfs", 0, 0});
    EXPECT_EQ(laterVolume.empty(), volumes.size() == 1);
    EXPECT_FALSE(renamed.empty());
    for (std::size_t index = 0; index < volumes.size(); ++index) {
        const test::CommittedVolume& volume = volumes[index];
        for (const test::ManifestFile& file : test::LoadManifest(image, volume.partition)) {
            if (!test::DataExpected(volume, file)) continue;
            // FAT: a deleted name lost its first character; NTFS keeps whole names.
            const bool fat = std::string(volume.fs).starts_with("fat");
            const std::string path = file.deleted && fat ? test::DeletedRootPath(file) : file.path;
            const std::string address =
                std::to_string(index) + (file.deleted ? ":deleted/" : ":root/") + AddressPath(path);
            ASSERT_TRUE(byAddress.contains(address)) << address;
            const nlohmann::json& record = byAddress[address];
            EXPECT_EQ(record["size"], file.size) << address;
            EXPECT_EQ(test::Md5Hex(test::FileBytes(out / record["path"].get<std::string>())), file.md5) << address;
            // A tab or line feed is no part of a name at the destination.
            const std::string name = file.path.substr(file.path.rfind('/') + 1);
            const bool renamed = name.find_first_of("\t\n") != std::string::npos;
            EXPECT_EQ(record["status"], renamed ? "renamed" : "written") << address;
            if (renamed && format == "jsonl") {
                EXPECT_EQ(record["name"], name) << address;
            }
        }
    }

    for (const std::string& address : {laterVolume, renamed}) {
        if (address.empty()) continue;
        const Outcome cat = RunTool({"cat", source.string(), "--volume", "all", address});
        EXPECT_EQ(cat.status, kExitSuccess) << address << cat.err;
        EXPECT_EQ(cat.out, TextOf(out / byAddress[address]["path"].get<std::string>())) << address;
    }
}

INSTANTIATE_TEST_SUITE_P(Images, ExportLogTest,
                         ::testing::Combine(::testing::Values("sample-disk", "ntfs-names"),
                                            ::testing::Values("jsonl", "tsv")),
                         [](const auto& info) {
                             std::string name = std::get<0>(info.param) + "_" + std::get<1>(info.param);
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

TEST_F(ExportCommandTest, AddressesChooseWhatIsExported) {
    const Outcome outcome =
        RunTool({"export", image.string(), "--to", (dir / "out").string(), "root/Docs/Reports", "deleted/PHOTOS"});
    ASSERT_EQ(outcome.status, kExitSuccess) << outcome.err;
    const fs::path root = dir / "out" / ToUtf8(Text16(StringId::RootDirectory));
    EXPECT_TRUE(fs::exists(root / "Docs" / "Reports" / "annual.txt"));
    EXPECT_TRUE(fs::exists(root / "Docs" / "Reports" / "2023" / "DATA.CSV"));
    EXPECT_FALSE(fs::exists(root / "Docs" / "fragmented.txt"));
    EXPECT_FALSE(fs::exists(root / "README.TXT"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "out" / kDeletedFolder), fs::directory_iterator()), 1);

    EXPECT_EQ(RunTool({"export", image.string(), "--to", (dir / "x").string(), "root/NoSuchFolder"}).status,
              kExitCannotScan);
    EXPECT_FALSE(fs::exists(dir / "x"));
}

// A copy of the sample disk behind a loop device, with ext4 volumes made over parts of it
// through loop devices with offsets, as partitions are: the destinations on the source's
// storage. Needs root, loop devices and ext4.
class SourceStorageTest : public ::testing::Test {
protected:
    void SetUp() override {
        const fs::path sample = test::TestImage("sample-disk");
        if (sample.empty() || ::geteuid() != 0) GTEST_SKIP() << "needs root and the sample disk";
        fs::copy_file(sample, disk);
        whole.emplace(disk);
        // Over the FAT32 partition, and from the NTFS one to the end, over the exFAT one.
        apart.emplace(disk, 512, true, 2048 * 512, 69632 * 512);
        overlapping.emplace(disk, 512, true, 73728 * 512);
        if (!whole->Attached() || !apart->Attached() || !overlapping->Attached()) GTEST_SKIP() << "no loop devices";
        if (!MakeExt4(apart->Path(), apartMount) || !MakeExt4(overlapping->Path(), overlapMount)) {
            GTEST_SKIP() << "cannot make and mount ext4";
        }
    }
    void TearDown() override {
        for (const fs::path& mount : mounted) ::umount2(mount.c_str(), MNT_DETACH);
    }
    bool MakeExt4(const std::string& loop, const fs::path& mount) {
        fs::create_directory(mount);
        // 16 MiB only: the rest of the device keeps the volumes the tests scan.
        if (!test::RunQuietly("mkfs.ext4 -q -F " + loop + " 16M")) return false;
        if (::mount(loop.c_str(), mount.c_str(), "ext4", 0, nullptr) != 0) return false;
        mounted.push_back(mount);
        return true;
    }

    test::TempDir dir;
    fs::path disk = dir / "disk.img";
    fs::path apartMount = dir / "ext4-apart";
    fs::path overlapMount = dir / "ext4-over";
    std::optional<test::LoopDevice> whole, apart, overlapping;
    std::vector<fs::path> mounted;
};

TEST_F(SourceStorageTest, DestinationsOnTheSourceAreRefusedAndTheSameDiskNeedsConsent) {
    const std::string refused(Text(StringId::ExportToSourceRefused).substr(0, 20));
    // The image file itself is the source: a volume built from it is the source volume.
    Outcome outcome = RunTool({"export", disk.string(), "--volume", "108544", "--to", (apartMount / "a").string()});
    EXPECT_EQ(outcome.status, kExitExportIncomplete);
    EXPECT_NE(outcome.err.find(refused), std::string::npos) << outcome.err;

    // The loop over the whole image scanned in its exFAT volume: a destination in the
    // scanned sectors is refused, one elsewhere on the same storage needs a yes.
    outcome = RunTool({"export", whole->Path(), "--volume", "108544", "--to", (overlapMount / "b").string()});
    EXPECT_EQ(outcome.status, kExitExportIncomplete);
    EXPECT_NE(outcome.err.find(std::string(Text(StringId::SameDiskRefused).substr(0, 30))), std::string::npos)
        << outcome.err;

    outcome = RunTool({"export", whole->Path(), "--volume", "108544", "--to", (apartMount / "c").string()});
    EXPECT_EQ(outcome.status, kExitExportIncomplete);
    EXPECT_NE(outcome.err.find("no terminal"), std::string::npos) << outcome.err;
    for (const char* name : {"a", "b", "c"}) {
        EXPECT_FALSE(fs::exists(apartMount / name)) << name;
        EXPECT_FALSE(fs::exists(overlapMount / name)) << name;
    }

    outcome = RunTool({"export", whole->Path(), "--volume", "108544", "--to", (apartMount / "c").string(), "--yes"});
    EXPECT_EQ(outcome.status, kExitSuccess) << outcome.err;
    EXPECT_TRUE(fs::exists(apartMount / "c" / kDeletedFolder / "removed.txt"));
}

}  // namespace
}  // namespace tundrel::cli
