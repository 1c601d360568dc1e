#pragma once
// The list of what a pane offers to scan: the machine's volumes or disks, and the image files
// the user opened. When the machine's disks cannot be opened it says so in one line, with
// what to do instead.

#include <QWidget>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "disk/volume_info.h"

class QLabel;
class QTreeWidget;

namespace tundrel::app {

enum class SourceKind {
    Volumes,          // partitions of the machine, and the volumes of each image
    Disks,            // whole disks, and each image as a whole
    DisksAndVolumes,  // both
};

struct SourceChoice {
    std::string source;                        // as the platform layer names sources
    std::optional<std::uint32_t> volumeStart;  // a volume inside an image
    std::uint64_t totalSectors = 0;
    bool scanRemainingArea = false;
};

class SourcePicker : public QWidget {
    Q_OBJECT
public:
    // `remainingAreaColumn`: each volume row carries the "scan the remaining area" box.
    SourcePicker(SourceKind kind, bool remainingAreaColumn, QWidget* parent);

    // Lists the machine's sources again; the images opened stay.
    void Refresh();
    // Asks for an image file and adds it; false when the user cancelled or it cannot be read
    // (the user is told why).
    bool OpenImage();
    bool AddImage(const std::string& path);
    std::optional<SourceChoice> Selected() const;
    QTreeWidget* List() const { return list_; }

private:
    void AddRow(const SourceChoice& choice, const QStringList& texts, std::uint32_t fsType);
    void AddImageRows(const std::string& path);

    SourceKind kind_;
    bool remainingAreaColumn_;
    QLabel* notice_;
    QTreeWidget* list_;
    std::vector<SourceChoice> choices_;  // one per row, in row order
    std::vector<std::string> images_;
};

}  // namespace tundrel::app
