#pragma once
// A recognizer that finds a file's length by walking its records: the type says where a file
// starts, how to read one record header and how to name the file.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "carve/recognizer.h"
#include "carve/record_walk.h"

namespace tundrel {

class WalkingRecognizer : public Recognizer {
public:
    bool Starts(const CarveBlock& block, CarveContext&) const final { return StartLength(block).has_value(); }
    void Offer(const CarveBlock& block, CarveContext& context, std::vector<CarvedFile>& found) final;
    // The type's BeginFile and ReadHeader state is only read while a file is walked.
    bool Pending() const final { return walk_.Pending(); }

protected:
    explicit WalkingRecognizer(WalkRules rules) : walk_(rules) {}

    // The length of the first record when a file of this type starts in the block.
    virtual std::optional<std::uint64_t> StartLength(const CarveBlock& block) const = 0;
    // A new file starts in the block: what the type keeps of the file it follows starts afresh.
    virtual void BeginFile(const CarveBlock&) {}
    virtual RecordStep ReadHeader(std::span<const std::uint8_t> header) = 0;
    virtual std::u16string NameOf(const WalkedFile& file, CarveContext& context) = 0;
    // Whether a file that ended is kept, for types whose minimum is not a length (a count of records).
    virtual bool Keeps(const WalkedFile&) const { return true; }

private:
    void Keep(const std::optional<WalkedFile>& file, CarveContext& context, std::vector<CarvedFile>& found);

    RecordWalk walk_;
};

}  // namespace tundrel
