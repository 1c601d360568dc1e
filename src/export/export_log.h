#pragma once
// The per-file log of an export, written by the export thread and read by the front end.

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

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

    void Add(LogLevel level, std::string text);
    std::vector<LogEntry> Entries() const;
    std::size_t CountOf(LogLevel level) const;
    // Called for every entry added from now on, in order, on the adding thread.
    void SetListener(Listener listener);

private:
    mutable std::mutex lock_;
    std::vector<LogEntry> entries_;
    Listener listener_;
};

}  // namespace tundrel
