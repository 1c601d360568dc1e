#include "ntfs/named_stream.h"

#include <string>

#include "ntfs/data_runs.h"

namespace tundrel {
namespace {

constexpr std::size_t kShortestDataAttribute = 0x20;
constexpr std::uint16_t kCompressionMask = 0x00FF;
constexpr std::uint16_t kSparse = 0x8000;
constexpr std::uint32_t kStorageFlags = kFlagInRecord | kFlagCompressed | kFlagContiguous | kFlagAttributeList;

}  // namespace

std::optional<NamedStream> ReadNamedStream(const MftAttribute& attribute, std::uint32_t record, NamePool& names) {
    if (attribute.type != kAttrData || attribute.NameLength() == 0 || attribute.Length() < kShortestDataAttribute) {
        return std::nullopt;
    }
    const auto name = attribute.Name();
    if (!name) return std::nullopt;
    NamedStream stream;
    stream.record = record;
    if (attribute.IsResident()) {
        stream.size = attribute.ResidentValueLength();
        if (attribute.ResidentValue().size() != stream.size) return std::nullopt;
        stream.flags = kFlagInRecord;
    } else {
        if (attribute.FirstVcn() != 0) return std::nullopt;
        stream.size = attribute.RealSize();
        const std::uint16_t dataFlags = attribute.DataFlags();
        if ((dataFlags & kCompressionMask) != 0) stream.flags |= kFlagCompressed;
        if ((dataFlags & kSparse) != 0) stream.flags |= kFlagContiguous;
        if (const auto cluster = FirstRunClusterUnsigned(attribute.RunListBytes())) stream.extra = *cluster;
    }
    stream.name = names.Add(*name);
    return stream;
}

ScanNode StreamNode(const ScanNode& file, const NamedStream& stream, NamePool& names) {
    ScanNode node = file;
    std::u16string name = file.name != nullptr ? std::u16string(file.name) : std::u16string();
    name += u':';
    name += stream.name;
    node.name = names.Add(name);
    node.size = stream.size;
    node.flags = (file.flags & ~(kStorageFlags | kFlagDirectory)) | stream.flags | kFlagStream;
    node.extra = stream.extra;
    node.children.clear();
    return node;
}

std::u16string_view StreamNameOf(const ScanNode& node) {
    if (!node.Has(kFlagStream) || node.name == nullptr) return {};
    const std::u16string_view name(node.name);
    const std::size_t colon = name.rfind(u':');
    return colon == std::u16string_view::npos ? std::u16string_view{} : name.substr(colon + 1);
}

}  // namespace tundrel
