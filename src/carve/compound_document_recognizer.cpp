#include "carve/compound_document_recognizer.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "carve/carved_name.h"

namespace tundrel {
namespace {

constexpr std::uint64_t kMinimumSectors = 32;  // a find of this size or less is not kept
// The start test reads at most this many sectors from the file's start (4 MiB): the directory
// must lie inside them, and the title is read from them.
constexpr std::uint64_t kReadLimitSectors = 8192;
constexpr std::size_t kTitleCharacters = 100;

using NameOf = std::u16string (*)(const std::u16string& title, std::uint64_t firstSector);

struct DocumentType {
    std::vector<std::u16string_view> streamNames;  // any one of them marks the type
    bool titled = false;                           // whether the name uses the title
    NameOf name = nullptr;
};

// The file's first sectors as read through the context. The buffer is left uninitialized: it
// can be 4 MiB, and every byte used is read into it.
struct FirstSectors {
    std::unique_ptr<std::uint8_t[]> data;
    std::size_t size = 0;

    std::span<std::uint8_t> First(std::uint64_t sectors) const { return {data.get(), sectors * kCarveBlockBytes}; }
};

// The first `want` sectors from `first`, or as many of them as can be read when the source ends
// sooner; nothing when even the first `need` cannot be read.
std::optional<FirstSectors> ReadFirstSectors(CarveContext& context, std::uint64_t first, std::uint64_t need, std::uint64_t want) {
    FirstSectors read{std::make_unique_for_overwrite<std::uint8_t[]>(want * kCarveBlockBytes), want * kCarveBlockBytes};
    if (context.readSectors(read.First(want), first)) return read;
    // The longest read known to succeed and the shortest known to fail meet; doubling first keeps
    // the reads short when the source ends soon after the directory.
    std::uint64_t readable = 0;
    for (std::uint64_t probe = need; probe < want; probe = std::min(2 * readable, readable + (want - readable) / 2)) {
        if (context.readSectors(read.First(probe), first)) {
            readable = probe;
        } else if (readable == 0) {
            return std::nullopt;
        } else {
            want = probe;
        }
        if (readable + 1 >= want) break;
    }
    // A failed read may have overwritten what the last good one read.
    if (readable == 0 || !context.readSectors(read.First(readable), first)) return std::nullopt;
    read.size = readable * kCarveBlockBytes;
    return read;
}

// The title as a name's first part: control characters and path separators left out, at most
// 100 characters.
std::u16string TitlePart(const std::u16string& title) {
    std::u16string part;
    for (char16_t c : title) {
        if (c < 32 || c == u'/' || c == u'\\') continue;
        if (part.size() == kTitleCharacters) break;
        part.push_back(c);
    }
    return part;
}

// What the start test read of a document of the type: its first sectors and their directory.
struct Examined {
    CompoundHeader header;
    std::uint64_t sectors = 0;  // the size estimate
    FirstSectors read;
    std::vector<CompoundEntry> directory;
};

class CompoundDocumentRecognizer final : public Recognizer {
public:
    explicit CompoundDocumentRecognizer(const DocumentType& type) : type_(type) {}

    bool Starts(const CarveBlock& block, CarveContext& context) const override { return Examine(block, context).has_value(); }
    StartKey Key() const override { return StartKey::At(0, {0xD0}); }
    // A find is complete in its first block.
    bool Pending() const override { return false; }

    void Offer(const CarveBlock& block, CarveContext& context, std::vector<CarvedFile>& found) override {
        if (block.bytes.size() < kCarveBlockBytes) return;
        const std::optional<Examined> examined = Examine(block, context);
        if (!examined) return;
        const CompoundFile file(examined->header, std::span<const std::uint8_t>(examined->read.data.get(), examined->read.size));
        CarvedFile carved;
        carved.firstSector = block.sector;
        carved.size = examined->sectors * kCarveBlockBytes;
        carved.name = type_.name(type_.titled ? TitlePart(file.Title(examined->directory)) : std::u16string(), block.sector);
        found.push_back(std::move(carved));
    }

private:
    // The start test: the signature, a size estimate above the minimum, and a directory within
    // the first sectors that holds one of the type's streams.
    std::optional<Examined> Examine(const CarveBlock& block, CarveContext& context) const {
        if (!context.readSectors) return std::nullopt;
        const std::optional<CompoundHeader> header = ReadCompoundHeader(block.Block());
        if (!header) return std::nullopt;
        const std::uint64_t sectors = CompoundDocumentSectors(*header);
        if (sectors <= kMinimumSectors) return std::nullopt;
        const std::uint64_t directoryEnd =
            (header->SectorOffset(header->firstDirectorySector) + header->SectorBytes() + kCarveBlockBytes - 1) / kCarveBlockBytes;
        if (directoryEnd > kReadLimitSectors) return std::nullopt;
        std::optional<FirstSectors> read =
            ReadFirstSectors(context, block.sector, directoryEnd, std::clamp(sectors, directoryEnd, kReadLimitSectors));
        if (!read) return std::nullopt;
        std::vector<CompoundEntry> directory =
            CompoundFile(*header, std::span<const std::uint8_t>(read->data.get(), read->size)).Directory();
        if (std::none_of(type_.streamNames.begin(), type_.streamNames.end(),
                         [&directory](std::u16string_view name) { return HasStream(directory, name); })) {
            return std::nullopt;
        }
        return Examined{*header, sectors, std::move(*read), std::move(directory)};
    }

    const DocumentType& type_;
};

std::u16string TitleThenNumber(const std::u16string& title, std::uint64_t firstSector, std::string_view between,
                               std::string_view fallback, std::string_view extension) {
    if (title.empty()) return NumberedName(fallback, firstSector, extension);
    return title + NumberedName(between, firstSector, extension);
}

const DocumentType kDoc{{u"WordDocument"}, true, [](const std::u16string& title, std::uint64_t sector) {
                            return TitleThenNumber(title, sector, " ", "Word ", ".doc");
                        }};
const DocumentType kXls{{u"Workbook", u"Book"}, true, [](const std::u16string& title, std::uint64_t sector) {
                            return TitleThenNumber(title, sector, "_", "Excel ", ".xls");
                        }};
const DocumentType kPpt{{u"PowerPoint Document", u"Pictures"}, false, [](const std::u16string&, std::uint64_t sector) {
                            return NumberedName("Point ", sector, ".ppt");
                        }};
const DocumentType kVsd{{u"VisioDocument"}, true, [](const std::u16string& title, std::uint64_t sector) {
                            return TitleThenNumber(title, sector, " ", "Visio ", ".vsd");
                        }};

}  // namespace

std::uint64_t CompoundDocumentSectors(const CompoundHeader& header) {
    const std::uint64_t power = header.miniSectorShift <= 9 ? std::uint64_t{1} << header.miniSectorShift : 64;
    return std::uint64_t{header.fatSectors} * 128 + std::uint64_t{header.miniFatSectors} * power / 4;
}

std::unique_ptr<Recognizer> MakeDocRecognizer() { return std::make_unique<CompoundDocumentRecognizer>(kDoc); }
std::unique_ptr<Recognizer> MakeXlsRecognizer() { return std::make_unique<CompoundDocumentRecognizer>(kXls); }
std::unique_ptr<Recognizer> MakePptRecognizer() { return std::make_unique<CompoundDocumentRecognizer>(kPpt); }
std::unique_ptr<Recognizer> MakeVsdRecognizer() { return std::make_unique<CompoundDocumentRecognizer>(kVsd); }

}  // namespace tundrel
