#include "disk/boot_sector.h"

#include "disk/file_system_entry.h"
#include "support/byte_reader.h"

namespace tundrel {

std::uint32_t BootSectorType(FileSystemTable fileSystems, SectorBytes sector) {
    for (const FileSystemEntry* fileSystem : fileSystems) {
        if (const std::uint32_t type = fileSystem->recognize(sector); type != kFsRaw) return type;
    }
    return kFsRaw;
}

bool HasBootSignature(SectorBytes sector) {
    const ByteReader reader(sector);
    return reader.U8(510) == 0x55 && reader.U8(511) == 0xAA;
}

const FileSystemEntry* FindFileSystem(FileSystemTable fileSystems, std::uint32_t fsType) {
    for (const FileSystemEntry* fileSystem : fileSystems) {
        if (fileSystem->Serves(fsType)) return fileSystem;
    }
    return nullptr;
}

}  // namespace tundrel
