#pragma once
// What type of file a run of bytes begins, told by the carving types' own start tests: for
// naming check-disk fragments and lost cluster chains by their content.

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace tundrel {

// The lower-case extension ("jpg", "docx" for Office 2007 files, ...) of the first type, in
// table order, whose start test accepts the bytes at offset 0; "unknown" when none does. Start
// tests that want bytes beyond `firstBytes` (a compound document's directory) get none.
std::string DetectContentType(std::span<const std::uint8_t> firstBytes);

// Fills `buffer` with the file's bytes from `offset`; false when they cannot be read.
using FileBytesReader = std::function<bool(std::uint64_t offset, std::span<std::uint8_t> buffer)>;

// The most the deep detector reads of a file's start, and of its end for a ZIP package's
// central directory: it reads at most twice this in all.
inline constexpr std::uint64_t kDeepDetectBytes = 1024 * 1024;

// DetectContentType over the first kDeepDetectBytes of a file of `size` bytes, which reach a
// compound document's directory further out, and for a ZIP package the kind its parts tell:
// "docx", "xlsx" or "pptx", from the local headers the walk meets in those bytes or the central
// directory. "unknown" when it cannot tell, an Office 2007 package included.
std::string DetectContentTypeDeep(const FileBytesReader& read, std::uint64_t size);

}  // namespace tundrel
