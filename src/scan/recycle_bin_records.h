#pragma once
// The records in which a recycle bin keeps the former paths of the files it holds: the INFO2
// index of a "Recycled" or "RECYCLER" folder, and the "$I" file beside each "$R" file of a
// "$RECYCLE.BIN" folder. Pure functions over the bytes read from those files.

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tundrel {

class AnsiCodePage;

// Record numbers above this are taken for damage.
inline constexpr std::uint32_t kLargestInfo2Number = 10'000;

// Number → former path ("C:\Docs\a.txt") of every INFO2 record with a usable path, its ANSI
// path read in `codePage`. A record number of 0 takes the previous record's number + 1; later
// records win over earlier ones.
std::map<std::uint32_t, std::u16string> ReadInfo2Paths(std::span<const std::uint8_t> bytes, AnsiCodePage& codePage);

// The former path of a "$I" file of version 1 or 2; nothing when it is absent or unusable.
std::optional<std::u16string> ReadRecycledItemPath(std::span<const std::uint8_t> bytes);

// True when every "\"-separated component of the path is a name a folder or file can have
// here: not empty, not "." or "..", and without "/" or NUL, so that a hostile record cannot
// place a file outside the folders of its own path.
bool HasSafeComponents(std::u16string_view path);

// The N of a recycled file named "D" + drive letter + N + extension ("Dc7.txt" → 7).
std::optional<std::uint32_t> RecycledFileNumber(std::u16string_view name);

}  // namespace tundrel
