#pragma once
// The per-file log of an export, written by the export thread and read by the front end: the
// human texts, kept, and beside them one record per file, handed to a listener only.

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "export/export_record.h"

namespace tundrel {

enum class LogLevel { Written = 0, Error = 1, Renamed = 2, Caution = 3 };

struct LogEntry {
    std::string text;
    LogLevel level = LogLevel::Written;
};

// "written", "error", "renamed", "caution".
std::string_view LevelWord(LogLevel level);

class ExportLog {
public:
    using Listener = std::function<void(const LogEntry&)>;
    using RecordListener = std::function<void(const ExportRecord&)>;

    void Add(LogLevel level, std::string text);
    std::vector<LogEntry> Entries() const;
    std::size_t CountOf(LogLevel level) const;
    // Called for every entry added from now on, in order, on the adding thread.
    void SetListener(Listener listener);

    // Records are not kept: an export of many files would hold each one twice.
    void Add(const ExportRecord& record);
    // Called for every record added from now on, in order, on the adding thread.
    void SetRecordListener(RecordListener listener);

private:
    mutable std::mutex lock_;
    std::vector<LogEntry> entries_;
    Listener listener_;
    RecordListener recordListener_;
};

}  // namespace tundrel
