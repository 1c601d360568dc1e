#pragma once
// The name of a carved archive (ZIP, RAR): its first entry's top folder, or that entry's name
// without its extension; an archive whose first entry gives no name of 1-50 characters is
// numbered by the program-wide running count of its type.

#include <string>
#include <string_view>

#include "carve/carved_name.h"

namespace tundrel {

inline std::u16string ArchiveName(std::u16string_view firstEntry, std::string_view numbered, std::string_view extension,
                                  unsigned& counter) {
    constexpr std::size_t kMaxNameLength = 50;
    const std::size_t folderEnd = firstEntry.find_first_of(u"/\\");
    const std::u16string_view stem =
        folderEnd != std::u16string_view::npos ? firstEntry.substr(0, folderEnd) : firstEntry.substr(0, firstEntry.rfind(u'.'));
    if (!stem.empty() && stem.size() <= kMaxNameLength) {
        std::u16string name(stem);
        name.append(extension.begin(), extension.end());
        return name;
    }
    return NumberedName(numbered, counter++, extension);
}

}  // namespace tundrel
