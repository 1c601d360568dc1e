#pragma once
// Named $DATA streams ("file:stream"): each one is shown as a node of its own beside its file.

#include <cstdint>
#include <optional>
#include <string_view>

#include "ntfs/mft_attribute.h"
#include "scan/name_pool.h"
#include "scan/scan_node.h"

namespace tundrel {

struct NamedStream {
    std::uint32_t record = 0;        // the file's base record
    const char16_t* name = nullptr;  // the stream's own name, interned
    std::uint64_t size = 0;
    // kFlagInRecord (resident), kFlagCompressed, kFlagContiguous (sparse), and kFlagAttributeList
    // when the data lives in an extension record.
    std::uint32_t flags = 0;
    std::uint32_t extra = 0;  // first cluster; data held in an extension record: that record's sector
};

// The stream a named $DATA attribute starts: nothing for the unnamed $DATA, for an extent
// that does not start at cluster index 0, or for a name or value that does not lie inside
// the attribute.
std::optional<NamedStream> ReadNamedStream(const MftAttribute& attribute, std::uint32_t record, NamePool& names);

// The node of a stream beside its file: the file's node with the stream's name ("file:stream"),
// size and storage.
ScanNode StreamNode(const ScanNode& file, const NamedStream& stream, NamePool& names);

// The stream name of a stream node (after its last ':'); empty for any other node.
std::u16string_view StreamNameOf(const ScanNode& node);

}  // namespace tundrel
