#pragma once
// The lines of an export's log: the human texts, as the terminal shows them, and for scripts
// one record per file, as JSON Lines or as tab-separated values.

#include <optional>
#include <string>
#include <string_view>

#include "export/export_log.h"

namespace tundrel::cli {

enum class LogFormat { JsonLines, Tsv, Text };

// "jsonl", "tsv" or "text".
std::optional<LogFormat> LogFormatOf(std::string_view word);

// One human entry on one line, "level<TAB>text": the texts' own line ends, and any control
// character a name from the disk brought along, become spaces.
std::string LogLine(const LogEntry& entry);

// The first line of a TSV log.
inline constexpr std::string_view kTsvHeader = "status\taddress\tpath\tsize\treason";

// A TSV field on one line whatever it holds: backslash, tab, line feed and carriage return
// are written \\, \t, \n and \r.
std::string TsvField(std::string_view text);

// One record as a line of `format` (JSON Lines or TSV), without the line end; `address` is
// where `tundrel cat` and `export` find its node.
std::string RecordLine(LogFormat format, const ExportRecord& record, const std::string& address);

}  // namespace tundrel::cli
