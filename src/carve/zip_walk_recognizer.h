#pragma once
// The ZIP container (ZIP archives and Office 2007 documents): local headers with their data,
// the central directory, the end record. An entry written by a streaming writer (flag bit 3,
// as LibreOffice writes every member) has no sizes in its local header; its data ends at the
// data descriptor or the next header, which the walk searches for.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "carve/walking_recognizer.h"

namespace tundrel {

// Where a ZIP file's central directory lies: from the end record in the file's last bytes.
struct ZipCentralDirectory {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};
// The end record may be followed by a comment of up to 65,535 bytes.
inline constexpr std::size_t kZipEndSearchBytes = 22 + 0xFFFF;
// The last end record in `tail`, the file's bytes from `tailOffset` to its end, whose central
// directory lies before it.
std::optional<ZipCentralDirectory> FindZipCentralDirectory(std::span<const std::uint8_t> tail, std::uint64_t tailOffset);

class ZipWalkRecognizer : public WalkingRecognizer {
public:
    // Reads the central-directory entries of `directory` in order, as the walk reads them,
    // up to the first bytes that are not an entry.
    void ReadCentralDirectory(std::span<const std::uint8_t> directory);

protected:
    ZipWalkRecognizer();

    // The first entry's name when the block opens with a local header whose name is 1-259 bytes.
    static std::optional<std::u16string> FirstEntryName(const CarveBlock& block);
    // Whether that name opens an Office 2007 package: "[Content_Types]" (without its extension),
    // which Microsoft's writers put first, or the package relationships, which LibreOffice puts first.
    static bool OpensOfficePackage(std::u16string_view name);

    void BeginFile(const CarveBlock& block) override;
    RecordStep ReadHeader(std::span<const std::uint8_t> header) override;
    // The start of a central-directory entry's name (at most its first five bytes), in directory order.
    virtual void CentralEntry(std::string_view) {}
    // The same for a local header, in the order of the walk.
    virtual void LocalEntry(std::string_view) {}

    const std::u16string& FirstName() const { return firstName_; }

private:
    std::u16string firstName_;
};

}  // namespace tundrel
