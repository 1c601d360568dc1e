#include "carve/walking_recognizer.h"

namespace tundrel {

void WalkingRecognizer::Keep(const std::optional<WalkedFile>& file, CarveContext& context,
                             std::vector<CarvedFile>& found) {
    if (!file || !Keeps(*file)) return;
    CarvedFile carved;
    carved.firstSector = file->firstSector;
    carved.size = file->size;
    carved.name = NameOf(*file, context);
    found.push_back(std::move(carved));
}

void WalkingRecognizer::Offer(const CarveBlock& block, CarveContext& context, std::vector<CarvedFile>& found) {
    if (block.bytes.size() < kCarveBlockBytes) return;
    const std::optional<std::uint64_t> start = StartLength(block);
    if (!start && !walk_.Pending()) return;  // most blocks: no file followed, none starts
    const RecordReader read = [this](std::span<const std::uint8_t> header) { return ReadHeader(header); };
    if (start && walk_.HeaderDueAt(block.sector)) {
        // A start signature where the pending file's next record begins is that record (the
        // next pack of a stream, say), unless the record does not belong to the file.
        Keep(walk_.Offer(block, read), context, found);
        if (walk_.Pending()) return;
    }
    if (start) {
        Keep(walk_.Begin(block.sector, *start), context, found);
        BeginFile(block);
    }
    Keep(walk_.Offer(block, read), context, found);
}

}  // namespace tundrel
