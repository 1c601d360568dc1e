#include "export/export_record.h"

namespace tundrel {

std::string_view StatusWord(ExportStatus status) {
    switch (status) {
        case ExportStatus::Written: return "written";
        case ExportStatus::Renamed: return "renamed";
        case ExportStatus::Error: return "error";
        case ExportStatus::Skipped: return "skipped";
        case ExportStatus::Caution: return "caution";
    }
    return "error";
}

}  // namespace tundrel
