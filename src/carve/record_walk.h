#pragma once
// Following a file over the blocks of a carving pass by the format's own chain of records
// (boxes, chunks, tags, packets, archive headers): each record header tells the length of its
// record, so the walk reads one header per record and skips the data between them. A header
// cut by a block end is completed from the next block; a next header in sectors that were not
// offered, or a header the type does not accept, ends the file there.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "carve/recognizer.h"

namespace tundrel {

inline constexpr std::size_t kMaxRecordHeaderBytes = 64;

struct WalkRules {
    std::size_t headerBytes = 8;  // bytes a header needs before it can be read (at most kMaxRecordHeaderBytes)
    std::uint64_t minimum = 0;    // a file is kept only when it is longer than this
};

// A four-byte mark that opens a record, for records whose start must be searched for.
using RecordMark = std::array<std::uint8_t, 4>;

// What one record header says: the record goes on for `length` bytes, or the file ends after
// `length` more bytes (a closing record, or bytes the type counts after its last record). A
// record whose length its header does not tell (data written by a streaming writer) ends at the
// first of `marks` found from `length` bytes on, at most `searchLimit` bytes further.
struct RecordStep {
    bool ends = false;
    std::uint64_t length = 0;
    std::span<const RecordMark> marks{};
    std::uint64_t searchLimit = 0;

    static RecordStep Next(std::uint64_t length) { return {false, length}; }
    static RecordStep End(std::uint64_t extra = 0) { return {true, extra}; }
    static RecordStep SearchAfter(std::uint64_t length, std::span<const RecordMark> marks, std::uint64_t limit) {
        return {false, length, marks, limit};
    }
};

// Reads one header: exactly WalkRules::headerBytes bytes.
using RecordReader = std::function<RecordStep(std::span<const std::uint8_t> header)>;

struct WalkedFile {
    std::uint64_t firstSector = 0;
    std::uint64_t size = 0;
};

class RecordWalk {
public:
    explicit RecordWalk(WalkRules rules);

    bool Pending() const { return pending_; }
    // Whether the pending file's next header starts at the first byte of block `sector`, or may
    // start there because the walk is searching that block for it.
    bool HeaderDueAt(std::uint64_t sector) const;

    // A file starts at `sector` with a first record of `firstLength` bytes; a file still pending
    // is finished first and returned when it is long enough. Offer the start block next.
    std::optional<WalkedFile> Begin(std::uint64_t sector, std::uint64_t firstLength);
    // Reads the headers that lie in this block; returns the file when it ends and is long enough.
    std::optional<WalkedFile> Offer(const CarveBlock& block, const RecordReader& read);
    // Ends the pending file where the walk stands.
    std::optional<WalkedFile> Finish(std::uint64_t extra = 0);

private:
    std::uint64_t HeaderSector() const { return start_ + walked_ / kCarveBlockBytes; }
    // Looks for the searched marks from `at`; true when one was found and `walked_` now stands on it.
    bool Search(std::span<const std::uint8_t> bytes, std::uint64_t base, std::size_t at);

    WalkRules rules_;
    bool pending_ = false;
    std::uint64_t start_ = 0;
    std::uint64_t walked_ = 0;  // bytes from the file's first byte to the next header not yet read
    // The start of a header cut by the end of its block, then the next block after it.
    std::array<std::uint8_t, kMaxRecordHeaderBytes + kCarveBlockBytes> carry_{};
    std::size_t carried_ = 0;
    // While searching for the next record: what marks it, and where the search began (the file
    // ends there when the search fails).
    std::span<const RecordMark> marks_{};
    std::uint64_t searchFrom_ = 0;
    std::uint64_t searchLimit_ = 0;
};

}  // namespace tundrel
