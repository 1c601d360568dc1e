#include "support/settings.h"

namespace tundrel {

Settings::Settings() {
    for (std::size_t i = 0; i < kCarveTypes.size(); ++i) carveTypes[i] = kCarveTypes[i].defaultOn;
}

}  // namespace tundrel
