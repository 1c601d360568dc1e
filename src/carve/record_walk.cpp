#include "carve/record_walk.h"

#include <algorithm>

namespace tundrel {

RecordWalk::RecordWalk(WalkRules rules) : rules_(rules) {
    rules_.headerBytes = std::clamp<std::size_t>(rules_.headerBytes, 1, kMaxRecordHeaderBytes);
}

bool RecordWalk::HeaderDueAt(std::uint64_t sector) const {
    if (!pending_) return false;
    if (!marks_.empty()) return HeaderSector() + (carried_ > 0 ? 1 : 0) == sector;
    return carried_ == 0 && walked_ % kCarveBlockBytes == 0 && HeaderSector() == sector;
}

std::optional<WalkedFile> RecordWalk::Begin(std::uint64_t sector, std::uint64_t firstLength) {
    std::optional<WalkedFile> previous = Finish();
    pending_ = true;
    start_ = sector;
    walked_ = firstLength;
    carried_ = 0;
    marks_ = {};
    return previous;
}

std::optional<WalkedFile> RecordWalk::Finish(std::uint64_t extra) {
    if (!pending_) return std::nullopt;
    const WalkedFile file{start_, (marks_.empty() ? walked_ : searchFrom_) + extra};
    pending_ = false;
    walked_ = 0;
    carried_ = 0;
    marks_ = {};
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
        if (!marks_.empty()) {
            const bool found = Search(bytes, base, static_cast<std::size_t>(at));
            if (walked_ - searchFrom_ > searchLimit_) return Finish();
            if (!found) return std::nullopt;
            marks_ = {};
            continue;
        }
        if (bytes.size() - at < header) {
            // Cut by the block end: keep its start (always inside this block) for the next one.
            carried_ = bytes.size() - static_cast<std::size_t>(at);
            std::copy(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.end(), carry_.begin());
            return std::nullopt;
        }
        const RecordStep step = read(bytes.subspan(static_cast<std::size_t>(at), header));
        if (step.ends) return Finish(step.length);
        if (step.length == 0) return Finish();  // a record that does not move the walk on
        if (!step.marks.empty()) {
            walked_ += step.length;
            marks_ = step.marks;
            searchFrom_ = walked_;
            searchLimit_ = step.searchLimit;
            continue;
        }
        walked_ += step.length;
    }
}

bool RecordWalk::Search(std::span<const std::uint8_t> bytes, std::uint64_t base, std::size_t at) {
    constexpr std::size_t kMarkBytes = std::tuple_size_v<RecordMark>;
    for (; at + kMarkBytes <= bytes.size(); ++at) {
        for (const RecordMark& mark : marks_) {
            if (std::equal(mark.begin(), mark.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at))) {
                walked_ = base + at;
                return true;
            }
        }
    }
    // A mark may be cut by the block end: its first bytes go on with the next block.
    walked_ = base + at;
    carried_ = bytes.size() - at;
    std::copy(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.end(), carry_.begin());
    return false;
}

}  // namespace tundrel
