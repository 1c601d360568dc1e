#include "scan/name_pool.h"

#include <algorithm>

namespace tundrel {

const char16_t* NamePool::Add(std::u16string_view text) {
    const std::size_t needed = text.size() + 1;
    if (blocks_.empty() || blockCapacity_ - used_ < needed) {
        // A name longer than a block gets a block of its own size.
        blockCapacity_ = std::max(kBlockChars, needed);
        blocks_.push_back(std::make_unique<char16_t[]>(blockCapacity_));
        used_ = 0;
    }
    char16_t* copy = blocks_.back().get() + used_;
    std::copy(text.begin(), text.end(), copy);
    copy[text.size()] = u'\0';
    used_ += needed;
    return copy;
}

void NamePool::Release() {
    blocks_.clear();
    blockCapacity_ = 0;
    used_ = 0;
}

}  // namespace tundrel
