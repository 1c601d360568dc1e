// The compound-file reader and the DOC, XLS, PPT and VSD recognizers over arbitrary bytes: the
// bytes are a file's first sectors, read as a header, directory, streams and summary
// information, and as a summary-information property set on their own; the recognizers are
// offered the first block and read the rest through the context. A stream may not come out
// longer than its entry says, and a find must be at the offered sector.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "carve/compound_document_recognizer.h"
#include "carve/compound_file.h"

using namespace tundrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    (void)ReadSummaryTitle(bytes);
    if (const std::optional<CompoundHeader> header = ReadCompoundHeader(bytes)) {
        const CompoundFile file(*header, bytes);
        const std::vector<CompoundEntry> directory = file.Directory();
        for (const CompoundEntry& entry : directory) {
            if (file.Stream(entry, directory).size() > entry.size) {
                std::fprintf(stderr, "stream longer than its entry\n");
                std::abort();
            }
        }
        (void)file.Title(directory);
    }

    // A disk of whole sectors holding the bytes; the context reads it and fails past its end.
    std::vector<std::uint8_t> disk(bytes.begin(), bytes.end());
    disk.resize((disk.size() / kCarveBlockBytes + 1) * kCarveBlockBytes);
    constexpr std::uint64_t kFirstSector = 40;
    CarveNameCounters counters;
    CarveContext context{[&disk](std::span<std::uint8_t> buffer, std::uint64_t first) {
                             const std::uint64_t at = (first - kFirstSector) * kCarveBlockBytes;
                             if (first < kFirstSector || at > disk.size() || buffer.size() > disk.size() - at) return false;
                             std::copy_n(disk.begin() + static_cast<std::ptrdiff_t>(at), buffer.size(), buffer.begin());
                             return true;
                         },
                         counters};
    for (RecognizerFactory make : {MakeDocRecognizer, MakeXlsRecognizer, MakePptRecognizer, MakeVsdRecognizer}) {
        std::vector<CarvedFile> found;
        make()->Offer({disk, kFirstSector}, context, found);
        for (const CarvedFile& file : found) {
            if (file.firstSector != kFirstSector || file.size == 0 || file.name.empty()) {
                std::fprintf(stderr, "bad find\n");
                std::abort();
            }
        }
    }
    return 0;
}
