#include "image_write_guard.h"

#include <gtest/gtest.h>
#include <nettle/md5.h>

#include <array>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace tundrel::test {
namespace {

std::array<std::uint8_t, MD5_DIGEST_SIZE> FileDigest(const std::filesystem::path& file) {
    md5_ctx context;
    md5_init(&context);
    std::ifstream in(file, std::ios::binary);
    std::vector<char> piece(1 << 20);
    while (in.read(piece.data(), static_cast<std::streamsize>(piece.size())) || in.gcount() > 0) {
        md5_update(&context, static_cast<std::size_t>(in.gcount()), reinterpret_cast<const std::uint8_t*>(piece.data()));
    }
    std::array<std::uint8_t, MD5_DIGEST_SIZE> digest{};
    md5_digest(&context, digest.size(), digest.data());
    return digest;
}

class ImageWriteGuard : public ::testing::EmptyTestEventListener {
public:
    void Watch(const std::filesystem::path& image) {
        if (!first_.contains(image)) first_.emplace(image, FileDigest(image));
        usedByThisTest_.insert(image);
    }

    // Listeners hear of a test's end before the result is printed, so the failure is the test's.
    void OnTestEnd(const ::testing::TestInfo&) override {
        for (const std::filesystem::path& image : usedByThisTest_) {
            if (FileDigest(image) != first_.at(image)) ADD_FAILURE() << "the test changed the source image " << image;
        }
        usedByThisTest_.clear();
    }

private:
    std::map<std::filesystem::path, std::array<std::uint8_t, MD5_DIGEST_SIZE>> first_;
    std::set<std::filesystem::path> usedByThisTest_;
};

ImageWriteGuard& Guard() {
    // Owned by the listener list once appended, for the rest of the process.
    static ImageWriteGuard* const guard = [] {
        auto* made = new ImageWriteGuard;
        ::testing::UnitTest::GetInstance()->listeners().Append(made);
        return made;
    }();
    return *guard;
}

}  // namespace

void GuardImageAgainstWrites(const std::filesystem::path& image) { Guard().Watch(image); }

}  // namespace tundrel::test
