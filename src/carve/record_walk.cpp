#include "carve/record_walk.h"

#include <algorithm>

namespace tundrel {

RecordWalk::RecordWalk(WalkRules rules) : rules_(rules) {
    rules_.headerBytes = std::clamp<std::size_t>(rules_.headerBytes, 1, kMaxRecordHeaderBytes);
}

bool RecordWalk::HeaderDueAt(std::uint64_t sector) const {
    return pending_ && carried_ == 0 && walked_ % kCarveBlockBytes == 0 && HeaderSector() == sector;
}

std::optional<WalkedFile> RecordWalk::Begin(std::uint64_t sector, std::uint64_t firstLength) {
    std::optional<WalkedFile> previous = Finish();
    pending_ = true;
    start_ = sector;
    walked_ = firstLength;
    carried_ = 0;
    return previous;
}

std::optional<WalkedFile> RecordWalk::Finish(std::uint64_t extra) {
    if (!pending_) return std::nullopt;
    const WalkedFile file{start_, walked_ + extra};
    pending_ = false;
    walked_ = 0;
    carried_ = 0;
    if (file.size <= rules_.minimum) return std::nullopt;
    return file;
}

std::optional<WalkedFile> RecordWalk::Offer(const CarveBlock& block, const RecordReader& read) {
    if (!pending_ || block.bytes.size() < kCarveBlockBytes) return std::nullopt;
    std::span<const std::uint8_t> bytes = block.Block();
    const std::uint64_t due = HeaderSector();
    if (carried_ > 0) {
        // The cut header's rest must be the very next block.
        if (block.sector <= due) return std::nullopt;
        if (block.sector != due + 1) return Finish();
        std::copy(bytes.begin(), bytes.end(), carry_.begin() + carried_);
        bytes = std::span<const std::uint8_t>(carry_).first(carried_ + kCarveBlockBytes);
    } else {
        if (block.sector < due) return std::nullopt;
        if (block.sector > due) return Finish();
    }
    // File offset of bytes[0]; the next header lies at or after it.
    const std::uint64_t base = (block.sector - start_) * kCarveBlockBytes - carried_;
    carried_ = 0;
    const std::size_t header = rules_.headerBytes;
    for (;;) {
        const std::uint64_t at = walked_ - base;
        if (at >= bytes.size()) return std::nullopt;  // the next header lies in a later block
        if (bytes.size() - at < header) {
            // Cut by the block end: keep its start (always inside this block) for the next one.
            carried_ = bytes.size() - static_cast<std::size_t>(at);
            std::copy(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.end(), carry_.begin());
            return std::nullopt;
        }
        const RecordStep step = read(bytes.subspan(static_cast<std::size_t>(at), header));
        if (step.ends) return Finish(step.length);
        if (step.length == 0) return Finish();
        walked_ += step.length;
    }
}

}  // namespace tundrel
