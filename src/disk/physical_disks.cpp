#include "disk/physical_disks.h"

#include "disk/sector_source.h"
#include "support/display_format.h"
#include "support/strings.h"
#include "support/text.h"

namespace tundrel {

std::vector<DiskRow> ListPhysicalDisks(const platform::DeviceOpener& opener) {
    std::vector<DiskRow> rows;
    for (unsigned number = 0; number < kMaxPhysicalDisks; ++number) {
        SectorSource source(opener);
        const std::string name = "HD" + std::to_string(number);
        if (!source.Open(ToUtf16(name)) || source.totalSectors == 0) continue;
        DiskRow row;
        row.number = number;
        row.displayText = Formatted(StringId::DiskNumber, static_cast<int>(number));
        row.sourceName = name;
        row.model = ToUtf8(source.model);
        row.totalSectors = source.totalSectors;
        row.sizeText = FormatSize(source.totalSectors * 512);
        row.devicePath = source.path;
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace tundrel
