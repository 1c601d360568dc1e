// The carving dispatcher with every type that has a recognizer switched on, over arbitrary
// bytes fed in pieces of arbitrary lengths, as a pass feeds the free runs it reads.
//
// Input: one byte N (taken modulo 16), N little-endian u16 piece lengths, then the bytes. The
// bytes are cut into those pieces in turn (the rest is the last piece); each piece is offered
// from the sector after the last one offered, plus a gap taken from its length's high bits,
// as runs of free clusters are separated by allocated ones.
//
// The same pieces also go through a plain loop that offers every block to every rule of a second
// table: the dispatcher, which skips the rules a block cannot concern, must find exactly the same.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "carve/carve_dispatcher.h"
#include "scan/scan_progress.h"
#include "support/settings.h"

using namespace tundrel;

namespace {

// Every whole block of the piece to every rule, in table order.
void OfferEveryBlock(std::span<const std::uint8_t> piece, std::uint64_t firstSector, std::vector<CarveRule>& table,
                     CarveContext& context) {
    for (std::size_t offset = 0; piece.size() - offset >= kCarveBlockBytes; offset += kCarveBlockBytes) {
        for (CarveRule& rule : table) {
            rule.recognizer->Offer({piece.subspan(offset), firstSector + offset / kCarveBlockBytes}, context, rule.found);
        }
    }
}

bool Same(const CarvedFile& a, const CarvedFile& b) {
    return a.firstSector == b.firstSector && a.size == b.size && a.name == b.name && a.date == b.date && a.time == b.time;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::size_t pieces = data[0] % 16;
    if (size < 1 + 2 * pieces) return 0;
    std::vector<std::size_t> lengths;
    for (std::size_t i = 0; i < pieces; ++i) lengths.push_back(data[1 + 2 * i] | (data[2 + 2 * i] << 8));
    const std::span<const std::uint8_t> bytes(data + 1 + 2 * pieces, size - 1 - 2 * pieces);

    Settings settings;
    settings.carveTypes.fill(true);
    std::vector<CarveRule> table = BuildCarveTable(settings);
    std::vector<CarveRule> reference = BuildCarveTable(settings);
    ScanProgress progress;
    // Sectors beyond the pieces' bytes read as zeros: the input is the whole source.
    const CarveSectorReader read = [bytes](std::span<std::uint8_t> buffer, std::uint64_t firstSector) {
        std::memset(buffer.data(), 0, buffer.size());
        const std::uint64_t from = firstSector * 512;
        if (from >= bytes.size()) return false;
        std::memcpy(buffer.data(), bytes.data() + from, std::min<std::uint64_t>(buffer.size(), bytes.size() - from));
        return true;
    };
    CarveNameCounters counters, referenceCounters;
    CarveContext context{read, counters};
    CarveContext referenceContext{read, referenceCounters};

    std::size_t at = 0;
    std::uint64_t sector = 0;
    for (std::size_t i = 0; i <= pieces && at <= bytes.size(); ++i) {
        const std::size_t length = i < pieces ? std::min<std::size_t>(lengths[i] & 0x3FFF, bytes.size() - at) : bytes.size() - at;
        sector += lengths.empty() || i >= pieces ? 0 : lengths[i] >> 14;
        // A piece is copied so that nothing past its end is readable.
        const std::vector<std::uint8_t> piece(bytes.begin() + at, bytes.begin() + at + length);
        DispatchCarveBlocks(piece, sector, table, context, progress);
        OfferEveryBlock(piece, sector, reference, referenceContext);
        sector += length / 512;
        at += length;
    }

    std::uint32_t found = 0;
    for (std::size_t r = 0; r < table.size(); ++r) {
        const std::vector<CarvedFile>& finds = table[r].found;
        if (!std::ranges::equal(finds, reference[r].found, Same)) __builtin_trap();
        for (const CarvedFile& file : finds) {
            // A find starts at a block that was offered.
            if (file.firstSector >= sector || file.size == 0 || file.name.empty()) __builtin_trap();
            ++found;
        }
    }
    if (found != progress.foundCount) __builtin_trap();
    if (counters.zip != referenceCounters.zip || counters.rar != referenceCounters.rar || counters.mp3 != referenceCounters.mp3) {
        __builtin_trap();
    }
    return 0;
}
