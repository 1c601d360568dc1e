#pragma once
// The file types that carving can look for, in their fixed order, with their switches'
// captions and default states.

#include <array>
#include <cstddef>
#include <string_view>

#include "support/strings.h"

namespace tundrel {

struct CarveTypeInfo {
    std::string_view typeName;  // also the results folder name and the extension matched
    StringId caption;
    bool defaultOn;
};

inline constexpr std::array<CarveTypeInfo, 25> kCarveTypes{{
    {"DOC", StringId::TypeWord, true},
    {"XLS", StringId::TypeExcel, true},
    {"PPT", StringId::TypePowerPoint, true},
    {"VSD", StringId::TypeVisio, true},
    {"Office 2007", StringId::TypeOffice2007, true},
    {"WAV", StringId::TypeWav, true},
    {"MP3", StringId::TypeMp3, true},
    {"AVI", StringId::TypeAvi, true},
    {"MPG", StringId::TypeMpeg, true},
    {"3GP", StringId::Type3gp, true},
    {"RMVB", StringId::TypeRmvb, true},
    {"MP4", StringId::TypeMp4, true},
    {"MOV", StringId::TypeMov, true},
    {"FLV", StringId::TypeFlv, true},
    {"SWF", StringId::TypeSwf, false},
    {"JPG", StringId::TypeJpeg, true},
    {"PDF", StringId::TypePdf, false},
    {"BMP", StringId::TypeBmp, false},
    {"ZIP", StringId::TypeZip, true},
    {"RAR", StringId::TypeRar, true},
    {"CDR", StringId::TypeCdr, true},
    {"CR2", StringId::TypeCr2, true},
    {"NEF", StringId::TypeNef, true},
    {"ORF", StringId::TypeOrf, true},
    {"PNG", StringId::TypePng, true},
}};

// The order in which the options page lists the switches (indices into kCarveTypes).
inline constexpr std::array<std::size_t, 25> kCarveTypeOptionOrder{
    0, 1, 2, 3, 4, 15, 21, 22, 23, 7, 8, 9, 10, 11, 12, 13, 14, 6, 5, 16, 19, 18, 20, 24, 17};

}  // namespace tundrel
