#pragma once
// Append-only store of the UTF-16 names of one result tree.

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace tundrel {

// Strings are stored zero-terminated in fixed-capacity blocks; a stored copy keeps its
// address until the pool is released, so nodes can hold plain pointers and compare names by
// address (the loop guard of "name occurs among ancestors" relies on that).
class NamePool {
public:
    static constexpr std::size_t kBlockChars = 32 * 1024;

    const char16_t* Add(std::u16string_view text);
    void Release();
    std::size_t BlockCount() const { return blocks_.size(); }

private:
    std::vector<std::unique_ptr<char16_t[]>> blocks_;
    std::size_t blockCapacity_ = 0;  // capacity of the last block, in characters
    std::size_t used_ = 0;           // characters used in the last block
};

}  // namespace tundrel
