#pragma once
// A ZIP container (the package of an Office Open XML document) read from a buffer in memory:
// its members in order, a member by exact name, and a member's bytes inflated whole. A damaged
// container opens to nothing or to the members that could be listed; a member that cannot be
// read whole gives nothing.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "preview/preview_limits.h"

namespace tundrel {

struct ZipMember {
    std::string name;
    std::uint64_t size = 0;  // uncompressed, as the central directory gives it
    // Where minizip finds the member again without a walk.
    std::uint64_t directoryOffset = 0;
    std::uint64_t entryNumber = 0;
};

class ZipMemoryArchive {
public:
    // A container lists at most this many members; further ones are passed over.
    static constexpr std::size_t kMaxMembers = 100'000;
    // What all reads of one container may inflate together: many members may share one
    // compressed stream, so the limit on each is not enough.
    static constexpr std::uint64_t kTotalInflateLimit = 2 * kInflateLimit;

    // The buffer must outlive the archive.
    explicit ZipMemoryArchive(std::span<const std::uint8_t> bytes);
    ~ZipMemoryArchive();
    ZipMemoryArchive(const ZipMemoryArchive&) = delete;
    ZipMemoryArchive& operator=(const ZipMemoryArchive&) = delete;

    // False when the buffer is not a ZIP container minizip can open.
    bool IsOpen() const { return handle_ != nullptr; }
    const std::vector<ZipMember>& Members() const { return members_; }
    // The first member named exactly `name` (case counts).
    const ZipMember* Find(std::string_view name) const;

    // The member's bytes; nothing when its size is above kInflateLimit, when the container's
    // inflate budget would be overrun, or when it cannot be read whole (a damaged stream, a
    // checksum that does not match, encryption, an unknown method).
    std::optional<std::vector<std::uint8_t>> Read(const ZipMember& member);
    std::optional<std::vector<std::uint8_t>> Read(std::string_view name);

private:
    struct Source {
        std::span<const std::uint8_t> bytes;
    };

    Source source_;
    void* handle_ = nullptr;  // minizip's unzFile
    std::vector<ZipMember> members_;
    std::unordered_map<std::string_view, std::size_t> byName_;
    std::uint64_t inflated_ = 0;
};

}  // namespace tundrel
