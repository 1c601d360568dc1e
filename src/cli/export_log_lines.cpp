#include "cli/export_log_lines.h"

#include <nlohmann/json.hpp>

#include "support/text.h"

namespace tundrel::cli {

std::optional<LogFormat> LogFormatOf(std::string_view word) {
    if (word == "jsonl") return LogFormat::JsonLines;
    if (word == "tsv") return LogFormat::Tsv;
    if (word == "text") return LogFormat::Text;
    return std::nullopt;
}

std::string LogLine(const LogEntry& entry) {
    std::string text;
    for (std::size_t i = 0; i < entry.text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(entry.text[i]);
        if (c == '\r' && i + 1 < entry.text.size() && entry.text[i + 1] == '\n') continue;
        text += c < 0x20 || c == 0x7F ? ' ' : static_cast<char>(c);
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return std::string(LevelWord(entry.level)) + '\t' + text;
}

std::string TsvField(std::string_view text) {
    std::string field;
    field.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '\\': field += "\\\\"; break;
            case '\t': field += "\\t"; break;
            case '\n': field += "\\n"; break;
            case '\r': field += "\\r"; break;
            default: field += c;
        }
    }
    return field;
}

std::string RecordLine(LogFormat format, const ExportRecord& record, const std::string& address) {
    const std::string_view status = StatusWord(record.status);
    if (format == LogFormat::Tsv) {
        return std::string(status) + '\t' + TsvField(address) + '\t' + TsvField(record.path) + '\t' +
               std::to_string(record.bytes) + '\t' + TsvField(record.reason);
    }
    nlohmann::ordered_json line{{"status", status}, {"address", address}, {"path", record.path}, {"size", record.bytes}};
    if (!record.reason.empty()) line["reason"] = record.reason;
    if (record.status == ExportStatus::Renamed && record.node != nullptr && record.node->name != nullptr) {
        line["name"] = ToUtf8(record.node->name);
    }
    // Names come from damaged disks: a byte sequence that is not UTF-8 is replaced, never thrown over.
    return line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace tundrel::cli
