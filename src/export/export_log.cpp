#include "export/export_log.h"

#include <algorithm>

namespace tundrel {

std::string_view LevelWord(LogLevel level) {
    switch (level) {
        case LogLevel::Written: return "written";
        case LogLevel::Error: return "error";
        case LogLevel::Renamed: return "renamed";
        case LogLevel::Caution: return "caution";
    }
    return "error";
}

void ExportLog::Add(LogLevel level, std::string text) {
    std::lock_guard guard(lock_);
    entries_.push_back({std::move(text), level});
    if (listener_) listener_(entries_.back());
}

std::vector<LogEntry> ExportLog::Entries() const {
    std::lock_guard guard(lock_);
    return entries_;
}

std::size_t ExportLog::CountOf(LogLevel level) const {
    std::lock_guard guard(lock_);
    return static_cast<std::size_t>(
        std::count_if(entries_.begin(), entries_.end(), [&](const LogEntry& entry) { return entry.level == level; }));
}

void ExportLog::SetListener(Listener listener) {
    std::lock_guard guard(lock_);
    listener_ = std::move(listener);
}

void ExportLog::Add(const ExportRecord& record) {
    std::lock_guard guard(lock_);
    if (recordListener_) recordListener_(record);
}

void ExportLog::SetRecordListener(RecordListener listener) {
    std::lock_guard guard(lock_);
    recordListener_ = std::move(listener);
}

}  // namespace tundrel
