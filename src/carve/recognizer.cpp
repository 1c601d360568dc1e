#include "carve/recognizer.h"

namespace tundrel {

CarveNameCounters& ProgramNameCounters() {
    static CarveNameCounters counters;
    return counters;
}

}  // namespace tundrel
