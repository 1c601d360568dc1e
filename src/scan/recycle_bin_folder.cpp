#include "scan/recycle_bin_folder.h"

#include "scan/name_case.h"

namespace tundrel {

bool IsRecycleBinFolderName(const char16_t* name) {
    if (name == nullptr) return false;
    const std::u16string upper = UpperCased(name);
    return upper == u"RECYCLED" || upper == u"RECYCLER" || upper == u"$RECYCLE.BIN";
}

}  // namespace tundrel
