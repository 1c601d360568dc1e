#include <gtest/gtest.h>

#include <cerrno>
#include <deque>
#include <functional>

#include "disk/sector_source.h"
#include "fault_device.h"
#include "support/text.h"
#include "test_support.h"

namespace tundrel {
namespace {

using test::FaultDisk;

constexpr const char* kDiskPath = "/dev/usb-disk";
constexpr char16_t kDiskName[] = u"/dev/usb-disk";
constexpr ReconnectAnswer kRetry{ReconnectChoice::Retry, false};
constexpr ReconnectAnswer kCancel{ReconnectChoice::Cancel, false};
constexpr ReconnectAnswer kCancelAndStopAsking{ReconnectChoice::Cancel, true};

// Plays the user: each question runs the next scripted action, then gives its answer.
class ScriptedPrompt : public ReconnectPrompt {
public:
    void Then(ReconnectAnswer answer, std::function<void()> action = nullptr) {
        steps_.push_back({std::move(action), answer});
    }

    ReconnectAnswer AskToReconnect(const ReconnectRequest& request) override {
        requests.push_back(request);
        if (steps_.empty()) {
            ADD_FAILURE() << "asked more often than scripted";
            return kCancel;
        }
        auto [action, answer] = std::move(steps_.front());
        steps_.pop_front();
        if (action) action();
        return answer;
    }

    void ReportDifferentDisk(const std::u16string& message) override { differentDisks.push_back(ToUtf8(message)); }

    std::vector<ReconnectRequest> requests;
    std::vector<std::string> differentDisks;

private:
    std::deque<std::pair<std::function<void()>, ReconnectAnswer>> steps_;
};

FaultDisk UsbDisk(std::size_t sectors, std::string serial = "USB-0001") {
    FaultDisk disk(test::PatternBytes(sectors * 512));
    disk.identity = {"Flash Drive", std::move(serial)};
    return disk;
}

class Reconnecting : public ::testing::Test {
protected:
    void SetUp() override { Reopen(UsbDisk(64)); }

    void Reopen(FaultDisk disk) {
        machine_.Plug(kDiskPath, std::move(disk));
        ASSERT_TRUE(source_.Open(kDiskName));
        source_.SetReconnectHandling({&prompt_, &promptReconnect_});
    }

    // Reads one sector; true when it succeeded with the original disk's bytes.
    bool ReadsSector(std::uint32_t sector) {
        std::vector<std::uint8_t> buffer(512, 0xEE);
        const bool ok = source_.ReadSectors(buffer, sector);
        const std::vector<std::uint8_t> disk = test::PatternBytes(64 * 512);
        return ok && std::equal(buffer.begin(), buffer.end(), disk.begin() + sector * 512);
    }

    std::function<void()> Replug(FaultDisk disk) {
        return [this, disk] { machine_.Plug(kDiskPath, disk); };
    }

    test::FaultMachine machine_;
    SectorSource source_{machine_.Opener()};
    ScriptedPrompt prompt_;
    std::atomic<bool> promptReconnect_{true};
};

TEST_F(Reconnecting, RetryAfterReplugReadsAgain) {
    machine_.Pull(kDiskPath, ENODEV);
    prompt_.Then(kRetry);  // still unplugged: asked again
    prompt_.Then(kRetry, Replug(UsbDisk(64)));
    EXPECT_TRUE(ReadsSector(9));
    ASSERT_EQ(prompt_.requests.size(), 2u);
    const ReconnectRequest& request = prompt_.requests[0];
    EXPECT_EQ(request.sourceName, kDiskName);
    EXPECT_EQ(request.totalSectors, 64u);
    EXPECT_EQ(request.errorCode, ENODEV);
    const std::string message = ToUtf8(request.message);
    for (const char* part : {"19", "No such device", kDiskPath}) EXPECT_NE(message.find(part), std::string::npos);
    EXPECT_TRUE(prompt_.differentDisks.empty());
    EXPECT_EQ(source_.reconnecting.load(), 0u);

    EXPECT_TRUE(ReadsSector(10));  // the new device serves later reads
    EXPECT_EQ(prompt_.requests.size(), 2u);
}

TEST_F(Reconnecting, OnlyAVanishedDeviceIsAskedFor) {
    for (const int error : {EIO, EINVAL, EBADF}) {
        machine_.FailReads(kDiskPath, error);
        EXPECT_FALSE(ReadsSector(1)) << error;
    }
    EXPECT_TRUE(prompt_.requests.empty());

    // An input/output error once the kernel dropped the disk: it was pulled.
    machine_.Pull(kDiskPath, EIO);
    prompt_.Then(kRetry, Replug(UsbDisk(64)));
    EXPECT_TRUE(ReadsSector(1));
    EXPECT_EQ(prompt_.requests.size(), 1u);
}

TEST_F(Reconnecting, DifferentDiskIsReportedAndAskedAgain) {
    machine_.Pull(kDiskPath, ENODEV);
    prompt_.Then(kRetry, Replug(UsbDisk(128)));
    prompt_.Then(kRetry, Replug(UsbDisk(64, "USB-0002")));
    prompt_.Then(kRetry, Replug(UsbDisk(64)));
    EXPECT_TRUE(ReadsSector(5));
    EXPECT_EQ(prompt_.requests.size(), 3u);
    ASSERT_EQ(prompt_.differentDisks.size(), 2u);
    for (const char* part : {kDiskPath, "32.00K", "64.00K"}) {
        EXPECT_NE(prompt_.differentDisks[0].find(part), std::string::npos) << part;
    }

    // A serial number the first disk lacked is not compared.
    Reopen(UsbDisk(64, ""));
    machine_.Pull(kDiskPath, ENODEV);
    prompt_.Then(kRetry, Replug(UsbDisk(64, "USB-0003")));
    EXPECT_TRUE(ReadsSector(2));
    EXPECT_EQ(prompt_.differentDisks.size(), 2u);
}

TEST_F(Reconnecting, CancelAndStopAsking) {
    machine_.Pull(kDiskPath, ENODEV);
    prompt_.Then(kCancel);
    EXPECT_FALSE(ReadsSector(4));
    EXPECT_TRUE(promptReconnect_.load());

    prompt_.Then(kCancelAndStopAsking);
    EXPECT_FALSE(ReadsSector(4));
    EXPECT_FALSE(promptReconnect_.load());
    EXPECT_FALSE(ReadsSector(5));  // fails at once, without a question
    EXPECT_EQ(prompt_.requests.size(), 2u);

    promptReconnect_ = true;  // switched on again in the options
    prompt_.Then(kRetry, Replug(UsbDisk(64)));
    EXPECT_TRUE(ReadsSector(5));
    EXPECT_EQ(prompt_.requests.size(), 3u);

    source_.SetReconnectHandling({});
    machine_.Pull(kDiskPath, ENODEV);
    EXPECT_FALSE(ReadsSector(5));
    EXPECT_EQ(prompt_.requests.size(), 3u);
}

TEST_F(Reconnecting, NoSecondQuestionWhileOneIsShowing) {
    machine_.Pull(kDiskPath, ENODEV);
    bool innerRead = true;
    // Another reader of the same source fails while the user is still being asked.
    prompt_.Then(kCancel, [&] { innerRead = ReadsSector(7); });
    EXPECT_FALSE(ReadsSector(4));
    EXPECT_FALSE(innerRead);
    EXPECT_EQ(prompt_.requests.size(), 1u);
    EXPECT_EQ(source_.reconnecting.load(), 0u);
}

}  // namespace
}  // namespace tundrel
