#pragma once
// Repeats a system call that a signal interrupted before it did anything.

#include <cerrno>

namespace tundrel::platform {

template <typename Call>
int RetryOnInterrupt(Call call) {
    for (;;) {
        const int result = call();
        if (result >= 0 || errno != EINTR) return result;
    }
}

}  // namespace tundrel::platform
