#pragma once
// The listing of a RAR archive that the preview shows, from the archive's block headers.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "carve/content_detector.h"
#include "platform/ansi_code_page.h"

namespace tundrel {

// The entries of a RAR archive of `size` bytes, read through `read` block header by block
// header. Lines end with "\r\n". The first line is "Archive: " and `displayName`.
//
// RAR 1.5 to 4.x ("Rar!\x1A\x07\x00"): the archive's comment, then per file header:
//   FILE: hdrlen=55 datlen=6 is=F--                       header and data sizes; file/dir/link
//     flags=0x9020:EXTTIME,LONG,D128                       the header flags by name
//     os=3:UNIX ver=29 mode=-rw-r--r-- meth=0 cmp=6 dec=6 vol=0 [namecmp=26/50]
//     crc=0xc904a4c7 (3372524743) date_time=2020-07-20 21:01:44   mtime to the second, else DOS time
//     name=sub/dir2/file2.txt                              folders end with '/'
//     mtime=2020-07-20T21:01:44.319218800                  and ctime, atime, arctime, salt, comment
// Comments (the archive's after its main header, a file's after the file) are shown quoted
// with escapes when stored, or packed by RAR 3's LZ method; 1 MiB of comments at most. Former
// versions of a file (the version flag) are not listed. Names are the header's Unicode name
// when it has one, else UTF-8 or `codePage` text; '\' becomes '/'.
// RAR 5 ("Rar!\x1A\x07\x01\x00"): per file header "FILE: hdrlen=.. datlen=.. is=F--", then
// "  dec=.. cmp=.." and "  name=..".
// Encrypted headers give the "Encrypted" text. The walk stops at the end block, at a header
// that is too short or runs past the file, after an entry whose data runs past the file, or
// after kRarListingMaxEntries entries, and lists what it found. Nothing when the file does not
// start with a RAR marker (and for RAR 1.5-4.x a main header).
std::optional<std::u16string> ListRarArchive(const FileBytesReader& read, std::uint64_t size, AnsiCodePage& codePage,
                                             std::u16string_view displayName = {});

inline constexpr std::size_t kRarListingMaxEntries = 100'000;

}  // namespace tundrel
