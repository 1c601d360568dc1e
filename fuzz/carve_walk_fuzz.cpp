// The walking and end-marker recognizers over arbitrary bytes, offered block by block in read
// buffers of arbitrary sizes with some sectors left out, as a carving pass over free runs offers
// them. Every find must start at an offered sector and have a size and a name.
//
// Input: two bytes seeding the buffer sizes and the gaps, then the bytes of the disk.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "carve/flv_recognizer.h"
#include "carve/jpeg_recognizer.h"
#include "carve/mov_recognizer.h"
#include "carve/mp3_recognizer.h"
#include "carve/mp4_recognizer.h"
#include "carve/mpeg_recognizer.h"
#include "carve/office2007_recognizer.h"
#include "carve/pdf_recognizer.h"
#include "carve/png_recognizer.h"
#include "carve/rar_recognizer.h"
#include "carve/rmvb_recognizer.h"
#include "carve/three_gp_recognizer.h"
#include "carve/zip_recognizer.h"

using namespace tundrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    std::uint32_t state = data[0] | data[1] << 8 | 0x10000u;
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return state >> 16;
    };
    const std::vector<std::uint8_t> disk(data + 2, data + size);
    const std::size_t sectors = (disk.size() + kCarveBlockBytes - 1) / kCarveBlockBytes;

    std::vector<std::unique_ptr<Recognizer>> recognizers;
    for (RecognizerFactory make : {MakeMp4Recognizer, MakeMovRecognizer, MakeThreeGpRecognizer, MakeRmvbRecognizer,
                                   MakeMpegRecognizer, MakeFlvRecognizer, MakePngRecognizer, MakeJpegRecognizer,
                                   MakePdfRecognizer, MakeZipRecognizer, MakeOffice2007Recognizer, MakeRarRecognizer,
                                   MakeMp3Recognizer}) {
        recognizers.push_back(make());
    }
    CarveNameCounters counters;
    CarveContext context{{}, counters};
    std::vector<CarvedFile> found;
    constexpr std::uint64_t kFirstSector = 100;
    for (std::size_t at = 0; at < sectors;) {
        const std::size_t count = std::min<std::size_t>(1 + next() % 9, sectors - at);
        // A buffer of exactly the read's size, so that reading past it shows.
        std::vector<std::uint8_t> buffer(count * kCarveBlockBytes);
        for (std::size_t i = 0; i < buffer.size() && at * kCarveBlockBytes + i < disk.size(); ++i) {
            buffer[i] = disk[at * kCarveBlockBytes + i];
        }
        for (std::size_t i = 0; i < count; ++i) {
            if (next() % 16 == 0) continue;  // an allocated sector between free runs
            const CarveBlock block{std::span<const std::uint8_t>(buffer).subspan(i * kCarveBlockBytes), kFirstSector + at + i};
            for (auto& recognizer : recognizers) {
                const std::size_t before = found.size();
                recognizer->Offer(block, context, found);
                for (std::size_t f = before; f < found.size(); ++f) {
                    const CarvedFile& file = found[f];
                    if (file.firstSector < kFirstSector || file.firstSector > block.sector || file.size == 0 || file.name.empty()) {
                        std::fprintf(stderr, "bad find at %llu, size %llu\n", static_cast<unsigned long long>(file.firstSector),
                                     static_cast<unsigned long long>(file.size));
                        std::abort();
                    }
                }
            }
        }
        at += count;
    }
    return 0;
}
