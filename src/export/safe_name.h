#pragma once
// Names read from a disk, made fit to be one component of a path at the destination.

#include <string>
#include <string_view>

namespace tundrel {

// The longest name the destination's file systems take, in bytes.
inline constexpr std::size_t kMaxNameBytes = 255;

struct SafeName {
    std::string name;      // UTF-8
    bool changed = false;  // the name on disk could not be used as it is
};

// A damaged or hostile name never leaves the folder it is created in: "/", ":" and control
// characters (NUL included) become "_", "." and ".." become "_" and "__", an empty name "_",
// a broken UTF-16 sequence U+FFFD, and a name too long is shortened, its extension kept.
SafeName SafePathComponent(std::u16string_view name);

// Shortens a UTF-8 name to at most `limit` bytes, never inside a character, keeping an
// extension of up to 16 bytes.
std::string ShortenName(std::string_view name, std::size_t limit);

}  // namespace tundrel
