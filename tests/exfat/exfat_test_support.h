#pragma once
// Entry sets made byte by byte, for the exFAT tests.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "image_scan.h"
#include "manifest.h"
#include "memory_device.h"
#include "node_find.h"
#include "test_support.h"

namespace tundrel::test {

struct SetLayout {
    std::u16string name = u"file.txt";
    std::uint32_t firstCluster = 9;
    std::uint64_t length = 100;
    bool deleted = false;
    std::uint8_t streamFlags = 0x03;
    std::uint16_t attributes = 0x20;
    int nameLength = -1;      // the name's own length when negative
    std::size_t nameEntries = 0;  // as many as the name needs when 0
    std::uint16_t hashDelta = 0;  // added to the right name hash
};
// The set's entries with a right checksum (over the wrong hash, when asked for one).
std::vector<std::uint8_t> EntrySet(const SetLayout& layout);
// The entries one after another at the start of a zeroed 4 KiB block; an entry given by its
// type byte alone is padded to 32 bytes.
std::vector<std::uint8_t> Block(std::initializer_list<std::vector<std::uint8_t>> entries);

}  // namespace tundrel::test
