#include "platform/device.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cerrno>

#include "test_support.h"

namespace tundrel::platform {
namespace {

TEST(OpeningPaths, OnlyFilesAndBlockDevicesOpen) {
    test::TempDir dir;
    int error = 0;
    EXPECT_EQ(OpenDevice((dir / "missing.img").string(), error), nullptr);
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(OpenDevice(dir.Path().string(), error), nullptr);
    EXPECT_EQ(error, EISDIR);
    // A FIFO without a writer would block a plain open for good.
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    EXPECT_EQ(OpenDevice((dir / "pipe").string(), error), nullptr);
    EXPECT_EQ(error, ENOTBLK);
    EXPECT_EQ(OpenDevice("/dev/null", error), nullptr);
    EXPECT_EQ(error, ENOTBLK);
}

}  // namespace
}  // namespace tundrel::platform
