#pragma once
// The folders in which Windows keeps what the user threw away.

namespace tundrel {

// "RECYCLED" (Windows 9x), "RECYCLER" (NT to XP) and "$RECYCLE.BIN" (Vista on), in any case.
bool IsRecycleBinFolderName(const char16_t* name);

}  // namespace tundrel
