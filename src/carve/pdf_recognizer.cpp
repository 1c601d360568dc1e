#include "carve/pdf_recognizer.h"

#include <array>
#include <optional>

#include "carve/carved_name.h"
#include "carve/signature.h"

namespace tundrel {
namespace {

constexpr std::uint64_t kGiveUpSectors = 100'000;
constexpr std::string_view kEndMarker = "%%EOF";
// The marker and the three bytes after it, which tell whether it ends the file.
constexpr std::size_t kDecidingBytes = kEndMarker.size() + 3;
constexpr std::size_t kPdfTailBytes = kDecidingBytes;

// An "%%EOF" followed by CR LF, or by CR and two spaces, is taken for a revision's end, after
// which the document goes on.
bool EndsDocument(std::span<const std::uint8_t> after) {
    return !(HasText(after, 0, "\r\n") || HasText(after, 0, "\r  "));
}

class PdfRecognizer final : public Recognizer {
public:
    bool Starts(const CarveBlock& block, CarveContext&) const override { return HasText(block.Block(), 0, "%PDF"); }
    StartKey Key() const override { return StartKey::At(0, {'%'}); }
    bool Pending() const override { return start_.has_value(); }

    void Offer(const CarveBlock& block, CarveContext& context, std::vector<CarvedFile>& found) override {
        if (block.bytes.size() < kCarveBlockBytes) return;
        const std::span<const std::uint8_t> bytes = block.Block();
        if (Starts(block, context)) {
            // A new start replaces the pending document, which found no end of its own.
            start_ = block.sector;
            tailSector_.reset();
        } else if (start_ && block.sector - *start_ >= kGiveUpSectors) {
            start_.reset();
        }
        if (start_) Search(block.sector, bytes, found);
    }

private:
    void Search(std::uint64_t sector, std::span<const std::uint8_t> bytes, std::vector<CarvedFile>& found) {
        std::array<std::uint8_t, kPdfTailBytes + kCarveBlockBytes> window{};
        std::size_t size = 0;
        std::size_t first = 0;  // markers before this were decided with the previous block
        if (tailSector_ && *tailSector_ + 1 == sector) {
            std::copy(tail_.begin(), tail_.end(), window.begin());
            size = kPdfTailBytes;
            first = 1;
        }
        std::copy(bytes.begin(), bytes.end(), window.begin() + size);
        const std::uint64_t base = (sector - *start_) * kCarveBlockBytes - size;
        size += bytes.size();
        const std::span<const std::uint8_t> text(window.data(), size);
        for (std::size_t i = first; i + kDecidingBytes <= size; ++i) {
            if (!HasText(text, i, kEndMarker) || !EndsDocument(text.subspan(i + kEndMarker.size()))) continue;
            CarvedFile file;
            file.firstSector = *start_;
            file.size = base + i + kEndMarker.size();
            file.name = NumberedName("Adobe PDF ", *start_, ".pdf");
            found.push_back(std::move(file));
            start_.reset();
            return;
        }
        std::copy(bytes.end() - kPdfTailBytes, bytes.end(), tail_.begin());
        tailSector_ = sector;
    }

    std::optional<std::uint64_t> start_;
    std::array<std::uint8_t, kPdfTailBytes> tail_{};
    std::optional<std::uint64_t> tailSector_;
};

}  // namespace

std::unique_ptr<Recognizer> MakePdfRecognizer() { return std::make_unique<PdfRecognizer>(); }

}  // namespace tundrel
