#pragma once
// A decimal digit of ASCII text, whatever the C locale says.

namespace tundrel::platform {

inline bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace tundrel::platform
