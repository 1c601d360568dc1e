#include "carve/jpeg_recognizer.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "carve/carved_name.h"
#include "carve/jpeg_exif.h"
#include "carve/signature.h"
#include "support/display_format.h"

namespace tundrel {
namespace {

constexpr std::uint64_t kGiveUpBytes = 12'582'912;  // still no end this far from the start
constexpr std::uint64_t kTooLong = 12'000'000;      // an end this far out is not believed
constexpr std::size_t kJpegTailBytes = 3;               // a frame size or end marker cut by a block end

struct PendingJpeg {
    std::uint64_t start = 0;
    bool exif = false;
    std::uint64_t searchFrom = 0;  // file offset where the end search begins
    std::optional<std::array<std::uint8_t, 4>> frameSize;
    std::optional<std::uint64_t> frameSizeEnd;  // just past where the frame size was found
    std::optional<std::uint64_t> fallbackEnd;   // just past the first FF D9 after the thumbnail
    bool camera = false;
    std::string date;
    std::array<std::uint8_t, kJpegTailBytes> tail{};
    std::optional<std::uint64_t> tailSector;  // the block the tail bytes end

    bool HasCameraAndDate() const { return camera && date.size() == 19; }
};

int Digits(const std::string& text, std::size_t at, std::size_t count) {
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// "yyyy:mm:dd hh:mm:ss" as a FAT date and packed time; zeros when it names no moment.
void SetDate(CarvedFile& file, const std::string& text) {
    if (text.size() != 19) return;
    const int year = Digits(text, 0, 4), month = Digits(text, 5, 2), day = Digits(text, 8, 2);
    const int hours = Digits(text, 11, 2), minutes = Digits(text, 14, 2), seconds = Digits(text, 17, 2);
    if (year < 1980 || year > 2107 || month < 0 || day < 0 || hours < 0 || minutes < 0 || seconds < 0) return;
    const std::uint16_t date = PackFatDate(year, month, day);
    const std::uint32_t time = PackTime(hours, minutes, seconds);
    if (!IsPossibleDate(date) || !IsPossibleTime(time)) return;
    file.date = date;
    file.time = time;
}

class JpegRecognizer final : public Recognizer {
public:
    // An EXIF (APP1) or JFIF (APP0) segment right after the start of image.
    bool Starts(const CarveBlock& block, CarveContext&) const override {
        return HasBytes(block.Block(), 0, {0xFF, 0xD8, 0xFF, 0xE1}) || HasBytes(block.Block(), 0, {0xFF, 0xD8, 0xFF, 0xE0});
    }
    StartKey Key() const override { return StartKey::At(1, {0xD8}); }
    bool Pending() const override { return pending_.has_value(); }

    void Offer(const CarveBlock& block, CarveContext& context, std::vector<CarvedFile>& found) override {
        if (block.bytes.size() < kCarveBlockBytes) return;
        const bool starts = Starts(block, context);
        if (pending_ && starts) {
            if (pending_->HasCameraAndDate() && pending_->fallbackEnd) Emit(*pending_->fallbackEnd, found);
            pending_.reset();
        } else if (pending_ && (block.sector - pending_->start) * kCarveBlockBytes >= kGiveUpBytes) {
            if (pending_->fallbackEnd) Emit(*pending_->fallbackEnd, found);
            pending_.reset();
        }
        if (starts) Begin(block);
        if (pending_) Search(block, found);
    }

private:
    void Begin(const CarveBlock& block) {
        PendingJpeg jpeg;
        jpeg.start = block.sector;
        jpeg.searchFrom = 2;
        if (const std::optional<ExifSummary> exif = ReadExifSummary(block.bytes)) {
            jpeg.exif = true;
            jpeg.searchFrom = exif->thumbnailEnd.value_or(exif->segmentEnd);
            jpeg.frameSize = exif->frameSize;
            jpeg.camera = HasCameraText(block.Block());
            jpeg.date = ExifDateText(block.Block());
        }
        pending_ = jpeg;
    }

    void Search(const CarveBlock& block, std::vector<CarvedFile>& found) {
        PendingJpeg& jpeg = *pending_;
        std::array<std::uint8_t, kJpegTailBytes + kCarveBlockBytes> window{};
        std::size_t size = 0;
        if (jpeg.tailSector && *jpeg.tailSector + 1 == block.sector) {
            std::copy(jpeg.tail.begin(), jpeg.tail.end(), window.begin());
            size = kJpegTailBytes;
        }
        const std::span<const std::uint8_t> bytes = block.Block();
        std::copy(bytes.begin(), bytes.end(), window.begin() + size);
        const std::uint64_t base = (block.sector - jpeg.start) * kCarveBlockBytes - size;
        size += bytes.size();
        for (std::size_t i = 0; i + 1 < size; ++i) {
            const std::uint64_t at = base + i;
            if (at < jpeg.searchFrom) continue;
            if (jpeg.frameSize && !jpeg.frameSizeEnd && i + 4 <= size &&
                std::equal(jpeg.frameSize->begin(), jpeg.frameSize->end(), window.begin() + i)) {
                jpeg.frameSizeEnd = at + 4;
            }
            if (window[i] != 0xFF || window[i + 1] != 0xD9) continue;
            if (!jpeg.fallbackEnd) jpeg.fallbackEnd = at + 2;
            // Without a frame size to look for, the first end marker after the thumbnail ends the picture.
            if (!jpeg.frameSize || (jpeg.frameSizeEnd && at >= *jpeg.frameSizeEnd)) {
                End(at + 2, found);
                return;
            }
        }
        std::copy(bytes.end() - kJpegTailBytes, bytes.end(), jpeg.tail.begin());
        jpeg.tailSector = block.sector;
    }

    void End(std::uint64_t size, std::vector<CarvedFile>& found) {
        if (size > 0 && size < kTooLong) {
            Emit(size, found);
        } else if (pending_->fallbackEnd && pending_->HasCameraAndDate()) {
            Emit(*pending_->fallbackEnd, found);
        }
        pending_.reset();
    }

    void Emit(std::uint64_t size, std::vector<CarvedFile>& found) {
        CarvedFile file;
        file.firstSector = pending_->start;
        file.size = size;
        file.name = NumberedName("Picture ", pending_->start, ".jpg");
        SetDate(file, pending_->date);
        found.push_back(std::move(file));
    }

    std::optional<PendingJpeg> pending_;
};

}  // namespace

std::unique_ptr<Recognizer> MakeJpegRecognizer() { return std::make_unique<JpegRecognizer>(); }

}  // namespace tundrel
