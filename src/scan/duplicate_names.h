#pragma once
// Files of one directory whose names differ only in case, as folders pieced together from
// free space hold them: each later one gets a name of its own.

#include "scan/scan_node.h"

namespace tundrel {

class NamePool;

// Every file child whose name, upper-cased, equals the original name of the child before it
// is renamed "<base>_deleted_<n><.ext>" (split at the last "."), n the lowest number that no
// child of the directory is called in any case. The new names are added to `names`.
void RenameDuplicates(ScanNode& directory, NamePool& names);

}  // namespace tundrel
