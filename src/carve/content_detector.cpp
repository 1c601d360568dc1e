#include "carve/content_detector.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string_view>
#include <vector>

#include "carve/carve_type_table.h"
#include "carve/office2007_recognizer.h"
#include "carve/type_extensions.h"
#include "carve/zip_walk_recognizer.h"
#include "support/byte_reader.h"
#include "support/text.h"

namespace tundrel {
namespace {

constexpr std::string_view kUnknown = "unknown";

// The first type, in table order, whose start test accepts `bytes` as a file's first bytes; the
// start tests read whole sectors of `bytes` (sector 0 is its start) and nothing past them.
std::optional<std::size_t> FirstStartingType(std::span<const std::uint8_t> bytes) {
    CarveNameCounters counters;
    CarveContext context{[bytes](std::span<std::uint8_t> buffer, std::uint64_t firstSector) {
                             if (firstSector > bytes.size() / kCarveBlockBytes) return false;
                             const std::span<const std::uint8_t> sectors =
                                 ByteReader(bytes).Bytes(firstSector * kCarveBlockBytes, buffer.size());
                             if (sectors.size() != buffer.size()) return false;
                             std::copy(sectors.begin(), sectors.end(), buffer.begin());
                             return true;
                         },
                         counters};
    const CarveBlock block{bytes, 0};
    for (const CarveTypeRecognizer& entry : CarveRecognizers()) {
        if (entry.make()->Starts(block, context)) return entry.type;
    }
    return std::nullopt;
}

std::string ExtensionOf(std::size_t type) {
    std::string extension = ToUtf8(ExtensionsOfType(kCarveTypes[type].typeName).front());
    std::ranges::transform(extension, extension.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

// Walks a ZIP container from its first local header, as the carving walk does, and keeps the
// Office 2007 kind of the first part in a document folder, from a local header or the central
// directory.
class PackageKindWalk final : public ZipWalkRecognizer {
public:
    const std::optional<std::string_view>& Kind() const { return kind_; }

private:
    // Only the file's own first header starts the walk: a ZIP stored inside it does not.
    std::optional<std::uint64_t> StartLength(const CarveBlock& block) const override {
        if (block.sector != 0 || !FirstEntryName(block)) return std::nullopt;
        return 0;
    }
    void LocalEntry(std::string_view nameStart) override { Note(nameStart); }
    void CentralEntry(std::string_view nameStart) override { Note(nameStart); }
    std::u16string NameOf(const WalkedFile&, CarveContext&) override { return {}; }

    void Note(std::string_view nameStart) {
        if (!kind_) kind_ = Office2007KindOfPart(nameStart);
    }

    std::optional<std::string_view> kind_;
};

std::optional<std::string_view> PackageKind(std::span<const std::uint8_t> bytes) {
    // Whole blocks, the last one padded with zeros, as a pass reads them.
    std::vector<std::uint8_t> blocks(bytes.begin(), bytes.end());
    blocks.resize((blocks.size() + kCarveBlockBytes - 1) / kCarveBlockBytes * kCarveBlockBytes);
    PackageKindWalk walk;
    CarveNameCounters counters;
    CarveContext context{{}, counters};
    std::vector<CarvedFile> ended;
    for (std::size_t at = 0; at < blocks.size() && !walk.Kind(); at += kCarveBlockBytes) {
        walk.Offer({std::span<const std::uint8_t>(blocks).subspan(at), at / kCarveBlockBytes}, context, ended);
    }
    return walk.Kind();
}

// The kind of a package longer than the first bytes read, whose walk did not tell it (a long
// streamed part ahead of the document's parts): its central directory, found from the end
// record in its last bytes. Reads at most kDeepDetectBytes.
std::optional<std::string_view> PackageKindByCentralDirectory(const FileBytesReader& read, std::uint64_t size) {
    std::vector<std::uint8_t> tail(std::min<std::uint64_t>(size, kZipEndSearchBytes));
    const std::uint64_t tailOffset = size - tail.size();
    if (!read(tailOffset, tail)) return std::nullopt;
    const std::optional<ZipCentralDirectory> place = FindZipCentralDirectory(tail, tailOffset);
    if (!place || place->size > kDeepDetectBytes - tail.size()) return std::nullopt;
    std::vector<std::uint8_t> directory(place->size);
    if (!read(place->offset, directory)) return std::nullopt;
    PackageKindWalk walk;
    walk.ReadCentralDirectory(directory);
    return walk.Kind();
}

}  // namespace

std::string DetectContentType(std::span<const std::uint8_t> firstBytes) {
    const std::optional<std::size_t> type = FirstStartingType(firstBytes);
    return type ? ExtensionOf(*type) : std::string(kUnknown);
}

std::string DetectContentTypeDeep(const FileBytesReader& read, std::uint64_t size) {
    std::vector<std::uint8_t> first(std::min(size, kDeepDetectBytes));
    if (first.empty() || !read(0, first)) return std::string(kUnknown);
    const std::optional<std::size_t> type = FirstStartingType(first);
    if (!type) return std::string(kUnknown);
    const std::string_view typeName = kCarveTypes[*type].typeName;
    if (typeName != "Office 2007" && typeName != "ZIP") return ExtensionOf(*type);
    std::optional<std::string_view> kind = PackageKind(first);
    if (!kind && size > first.size()) kind = PackageKindByCentralDirectory(read, size);
    if (kind) return std::string(*kind);
    return typeName == "ZIP" ? ExtensionOf(*type) : std::string(kUnknown);
}

}  // namespace tundrel
