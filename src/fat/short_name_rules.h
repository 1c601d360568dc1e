#pragma once
// What a plausible 8.3 short name looks like: the rules by which blocks of bytes found on a
// disk are told apart from FAT directories.

#include "fat/directory_entry.h"

namespace tundrel {

// All 11 name bytes are capitals, digits, 0xE5 (a freed entry's mark), space or one of
// ~ ! @ # $ % ( ) - _ { } '.
bool IsValidShortName(EntryBytes entry);

// The 8-byte name ends (before its padding) in "~" and one or more digits, as the short
// names made for long names do; the "~" is not the first character.
bool HasNumericTail(EntryBytes entry);

// A byte that never stands in a short name a system wrote: control characters, 0x80, the
// double quote and * + , . / : ; < = > ? [ \ ] |.
bool IsForbiddenShortNameByte(std::uint8_t byte);

}  // namespace tundrel
