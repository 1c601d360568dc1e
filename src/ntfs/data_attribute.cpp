#include "ntfs/data_attribute.h"

#include "ntfs/data_runs.h"

namespace tundrel {
namespace {
constexpr std::size_t kShortestDataAttribute = 0x20;
constexpr std::size_t kRunListOffsetLimit = 0x400;
constexpr std::size_t kShortestUsableRunList = 3;
}  // namespace

bool IsUnnamedData(const MftAttribute& attribute) {
    return attribute.type == kAttrData && attribute.NameLength() == 0 && attribute.Length() >= kShortestDataAttribute;
}

bool IsDataStream(const MftAttribute& attribute, std::u16string_view stream) {
    if (stream.empty()) return IsUnnamedData(attribute);
    if (attribute.type != kAttrData || attribute.Length() < kShortestDataAttribute) return false;
    if (attribute.NameLength() != stream.size()) return false;
    const auto name = attribute.Name();
    return name && *name == stream;
}

void ApplyUnnamedData(ScanNode& node, const MftAttribute& attribute) {
    if (!IsUnnamedData(attribute)) return;
    if (attribute.IsResident()) {
        node.size = attribute.ResidentValueLength();
        node.Set(kFlagInRecord, true);
        return;
    }
    if (attribute.RunListOffset() > kRunListOffsetLimit) return;
    node.size = attribute.RealSize();
    if (node.IsDirectory()) return;
    const auto runs = attribute.RunListBytes();
    if (runs.size() < kShortestUsableRunList) return;
    if (const auto cluster = FirstRunClusterUnsigned(runs)) node.extra = *cluster;
}

}  // namespace tundrel
