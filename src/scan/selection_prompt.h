#pragma once
// The question a front end is asked when the full scan has nothing to look for: no file system
// and no file type selected.

#include <string>

namespace tundrel {

class SelectionPrompt {
public:
    virtual ~SelectionPrompt() = default;
    // Shows `message` and lets the user choose; true when the selections were changed and are
    // to be read again, false when the user declined (the scan then ends without reading).
    virtual bool AskForSelection(const std::u16string& message) = 0;
};

}  // namespace tundrel
