#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "disk/destination_drives.h"
#include "disk/mounted_volume.h"
#include "disk/physical_disks.h"
#include "disk/volume_list.h"
#include "modes/all_scanners.h"
#include "support/display_format.h"
#include "support/strings.h"

namespace tundrel::cli {
namespace {

struct SourceListing {
    std::vector<DiskRow> disks;
    std::vector<VolumeChoice> volumes;
    std::vector<ImageRow> images;
    std::vector<MountedVolume> mounted;
    std::vector<DestinationDrive> destinations;
};

std::string DeviceText(platform::DeviceNumber device) {
    return std::to_string(device.major) + ":" + std::to_string(device.minor);
}

nlohmann::json ListingJson(const SourceListing& listing) {
    nlohmann::json json = {{"disks", nlohmann::json::array()},   {"volumes", nlohmann::json::array()},
                           {"images", nlohmann::json::array()},  {"mounted", nlohmann::json::array()},
                           {"destinations", nlohmann::json::array()}};
    for (const DiskRow& disk : listing.disks) {
        json["disks"].push_back({{"number", disk.number}, {"source", disk.sourceName}, {"display", disk.displayText},
                                 {"path", disk.devicePath}, {"model", disk.model}, {"totalSectors", disk.totalSectors},
                                 {"size", disk.sizeText}});
    }
    for (const VolumeChoice& choice : listing.volumes) {
        const VolumeRow& volume = choice.row;
        json["volumes"].push_back({{"source", volume.sourceName}, {"path", volume.devicePath},
                                   {"mountPoint", volume.mountPoint}, {"label", volume.label},
                                   {"fileSystem", volume.fsName}, {"totalSectors", volume.totalSectors},
                                   {"size", volume.sizeText}, {"scanRemainingArea", choice.scanRemainingArea}});
    }
    for (const ImageRow& image : listing.images) {
        json["images"].push_back({{"source", image.sourceName}, {"display", image.displayText},
                                  {"totalSectors", image.totalSectors}, {"size", image.sizeText}});
    }
    for (const MountedVolume& volume : listing.mounted) {
        json["mounted"].push_back({{"device", DeviceText(volume.device)}, {"disk", DeviceText(volume.disk)},
                                   {"fileSystem", volume.fsName}, {"startSector", volume.startSector},
                                   {"sectorCount", volume.sectorCount}, {"mountPoint", volume.mountPoint}});
    }
    for (const DestinationDrive& drive : listing.destinations) {
        json["destinations"].push_back({{"mountPoint", drive.mountPoint}, {"fileSystem", drive.fsType},
                                        {"source", drive.source}, {"freeBytes", drive.freeBytes},
                                        {"totalBytes", drive.totalBytes}});
    }
    return json;
}

void PrintListing(const SourceListing& listing, std::ostream& out) {
    out << Text(StringId::SourcesDisks) << '\n';
    for (const DiskRow& disk : listing.disks) {
        out << "  " << disk.sourceName << "  " << disk.displayText << "  " << disk.devicePath << "  " << disk.sizeText
            << "  " << disk.model << '\n';
    }
    out << Text(StringId::SourcesVolumes) << '\n';
    for (const VolumeChoice& choice : listing.volumes) {
        const VolumeRow& volume = choice.row;
        out << "  " << volume.sourceName << "  " << (volume.fsName.empty() ? "-" : volume.fsName) << "  "
            << volume.sizeText << "  " << (volume.label.empty() ? "-" : volume.label) << "  "
            << (volume.mountPoint.empty() ? "-" : volume.mountPoint)
            << (choice.scanRemainingArea ? "  [" + std::string(Text(StringId::ScanRemainingArea)) + "]" : "") << '\n';
    }
    if (!listing.images.empty()) out << Text(StringId::SourcesImages) << '\n';
    for (const ImageRow& image : listing.images) {
        out << "  " << image.sourceName << "  " << image.displayText << "  " << image.sizeText << '\n';
    }
    out << Text(StringId::SourcesMounted) << '\n';
    for (const MountedVolume& volume : listing.mounted) {
        out << "  " << DeviceText(volume.device) << "  " << volume.fsName << "  "
            << Formatted(StringId::MountedVolumeLine, std::to_string(volume.startSector).c_str(),
                         std::to_string(volume.sectorCount).c_str())
            << "  " << volume.mountPoint << '\n';
    }
    out << Text(StringId::SourcesDestinations) << '\n';
    for (const DestinationDrive& drive : listing.destinations) {
        out << "  " << drive.mountPoint << "  " << drive.fsType << "  "
            << Formatted(StringId::FreeOfTotal, FormatSize(drive.freeBytes).c_str(), FormatSize(drive.totalBytes).c_str())
            << '\n';
    }
}

}  // namespace

int RunSources(const SourcesOptions& options, std::ostream& out, std::ostream& err) {
    SourceListing listing;
    listing.disks = ListPhysicalDisks();
    listing.volumes = ListVolumeChoices(AllFileSystems());
    for (const std::string& image : options.images) {
        if (auto row = ImageRowOf(image)) {
            listing.images.push_back(std::move(*row));
        } else {
            err << "tundrel: " << Formatted(StringId::NoImageData, image.c_str()) << '\n';
        }
    }
    listing.mounted = ListMountedVolumes(AllFileSystems());
    listing.destinations = ListDestinationDrives();
    if (options.json) {
        out << ListingJson(listing).dump() << '\n';
    } else {
        PrintListing(listing, out);
    }
    return listing.images.size() == options.images.size() ? kExitSuccess : kExitSourceError;
}

}  // namespace tundrel::cli
