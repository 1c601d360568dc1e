#pragma once
// A status line that a terminal shows on one row: measured in the columns it takes, and cut
// to the terminal's width rather than wrapped, since a wrapped line cannot be rewritten in place.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tundrel::cli {

// The columns a UTF-8 text takes: two for wide and full-width characters (Japanese), none for
// combining marks and control characters, one for the rest.
std::size_t TerminalColumns(std::string_view text);

// The text cut to at most `columns` columns, ending in "…" when anything was cut.
std::string CutToColumns(std::string_view text, std::size_t columns);

// The non-empty parts, separated by two spaces, in their own order. When the whole does not fit
// in `columns`, the parts are taken by `importance` (indices, most important first) while they
// fit; the most important part is cut when even it alone is too wide.
std::string FitParts(const std::vector<std::string>& parts, const std::vector<std::size_t>& importance,
                     std::size_t columns);

// The width of the terminal on `descriptor`; COLUMNS or 80 when it tells none.
std::size_t TerminalWidth(int descriptor);

}  // namespace tundrel::cli
