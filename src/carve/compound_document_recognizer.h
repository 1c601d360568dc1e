#pragma once
// Word, Excel, PowerPoint and Visio documents of the compound-file era: the compound-file
// signature, a directory that holds the type's main stream, and a size estimated from the
// header's FAT and mini-FAT sector counts. Word, Excel and Visio finds are named after the
// title in their summary information when they have one.

#include <cstdint>
#include <memory>

#include "carve/compound_file.h"
#include "carve/recognizer.h"

namespace tundrel {

// The size a find is given, in 512-byte sectors: 128 per FAT sector and, per mini-FAT sector,
// 2^(mini-sector shift) / 4 (a power above 512 is taken as 64). An estimate from the counts in
// the header, which is at least the file's size for files written in 512-byte sectors.
std::uint64_t CompoundDocumentSectors(const CompoundHeader& header);

std::unique_ptr<Recognizer> MakeDocRecognizer();
std::unique_ptr<Recognizer> MakeXlsRecognizer();
std::unique_ptr<Recognizer> MakePptRecognizer();
std::unique_ptr<Recognizer> MakeVsdRecognizer();

}  // namespace tundrel
