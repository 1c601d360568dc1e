#pragma once
// The question a front end asks when a source disappears in the middle of a read.

#include <cstdint>
#include <string>

namespace tundrel {

struct ReconnectRequest {
    std::u16string sourceName;
    std::uint64_t totalSectors = 0;  // recorded when the source was opened
    int errorCode = 0;               // the system's error number of the failed read
    std::u16string message;          // the full text to show, already formatted
};

enum class ReconnectChoice { Retry, Cancel };

struct ReconnectAnswer {
    ReconnectChoice choice = ReconnectChoice::Cancel;
    bool stopAsking = false;  // "do not ask again": turns the reconnect setting off
};

// Implemented by each front end. The engine calls it on the thread whose read failed and
// loops on Retry until the device answers again or the user cancels.
class ReconnectPrompt {
public:
    virtual ~ReconnectPrompt() = default;
    virtual ReconnectAnswer AskToReconnect(const ReconnectRequest& request) = 0;
    // A device answered under the saved name, but it is not the one scanned; the text says so.
    virtual void ReportDifferentDisk(const std::u16string& message) = 0;
};

}  // namespace tundrel
