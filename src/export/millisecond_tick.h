#pragma once
// A millisecond counter that wraps at 32 bits, for elapsed times and for names made unique by the moment.

#include <chrono>
#include <cstdint>

namespace tundrel {

inline std::uint32_t MillisecondTick() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

}  // namespace tundrel
