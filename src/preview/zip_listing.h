#pragma once
// The listing of a ZIP (or JAR) archive that the preview shows, from the archive's local file
// headers.

#include <cstdint>
#include <optional>
#include <string>

#include "carve/content_detector.h"
#include "platform/ansi_code_page.h"

namespace tundrel {

// The entries of a ZIP archive of `size` bytes, found by walking its local file headers from
// offset 0 through `read` in 1,024-byte pieces, up to the central directory. One line per
// entry, each ended by "\r\n":
//   "2024-05-01 12:34:56  12,345  6,789  deflate  path/name"
// modification date and time, uncompressed and compressed size, method, name. The name is
// UTF-8 when the entry's flag bit 11 says so or its bytes are well-formed UTF-8, else text of
// `codePage` (the code page such archives were made in). An entry written with a data
// descriptor (bit 3, no sizes in its header) is passed by searching for the descriptor or the
// next header signature; sizes it cannot learn show as "?".
// Nothing when the walk fails before any entry (no local header at offset 0, a header or an
// entry's data that runs past the file); after at least one entry, what was found up to the
// failure. At most kZipListingMaxEntries entries are listed.
std::optional<std::u16string> ListZipArchive(const FileBytesReader& read, std::uint64_t size, AnsiCodePage& codePage);

inline constexpr std::size_t kZipListingMaxEntries = 100'000;

}  // namespace tundrel
