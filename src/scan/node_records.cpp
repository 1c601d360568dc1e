#include "scan/node_records.h"

#include <array>
#include <new>
#include <string>
#include <vector>

#include "support/archive_reader.h"
#include "support/archive_writer.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

constexpr std::size_t kNodeFieldBytes = 60;
using NodeFieldBlock = std::array<std::uint8_t, kNodeFieldBytes>;

// Offsets in the field block. The slots of the name, directory source, children and parent
// pointers carry nothing in the file: they are written as 0 and skipped when read.
namespace node_field {
constexpr std::size_t kFlags = 0;
constexpr std::size_t kChildCount = 8;
constexpr std::size_t kCreatedTime = 12;
constexpr std::size_t kCreatedDate = 16;
constexpr std::size_t kAccessedDate = 18;
constexpr std::size_t kModifiedTime = 20;
constexpr std::size_t kModifiedDate = 24;
constexpr std::size_t kMilliseconds = 26;
constexpr std::size_t kSize = 28;
constexpr std::size_t kLocation = 36;
constexpr std::size_t kRecordNumber = 44;
constexpr std::size_t kExtra = 48;
}  // namespace node_field

template <typename Value>
void PutField(NodeFieldBlock& block, std::size_t offset, Value value) {
    for (std::size_t i = 0; i < sizeof(Value); ++i) {
        block[offset + i] = static_cast<std::uint8_t>((static_cast<std::uint64_t>(value) >> (8 * i)) & 0xFF);
    }
}

void WriteNodeRecord(ArchiveWriter& archive, const ScanNode& node) {
    archive.U32(static_cast<std::uint32_t>(node.children.size()));
    archive.String(node.name != nullptr ? std::u16string_view(node.name) : std::u16string_view());
    NodeFieldBlock block{};
    // The mark a directory read on first use gets serves that reading only; a loaded tree is
    // complete and read no further.
    PutField(block, node_field::kFlags, node.flags & ~std::uint32_t{kFlagLostSearchMark});
    PutField(block, node_field::kChildCount, static_cast<std::uint32_t>(node.childCount()));
    PutField(block, node_field::kCreatedTime, node.createdTime);
    PutField(block, node_field::kCreatedDate, node.createdDate);
    PutField(block, node_field::kAccessedDate, node.accessedDate);
    PutField(block, node_field::kModifiedTime, node.modifiedTime);
    PutField(block, node_field::kModifiedDate, node.modifiedDate);
    PutField(block, node_field::kMilliseconds, node.milliseconds);
    PutField(block, node_field::kSize, node.size);
    PutField(block, node_field::kLocation, node.location);
    PutField(block, node_field::kRecordNumber, node.recordNumber);
    PutField(block, node_field::kExtra, node.extra);
    archive.Bytes(block);
}

void TakeFields(ScanNode& node, const NodeFieldBlock& block) {
    const ByteReader fields(block);
    node.flags = fields.U32(node_field::kFlags);
    node.createdTime = fields.U32(node_field::kCreatedTime);
    node.createdDate = fields.U16(node_field::kCreatedDate);
    node.accessedDate = fields.U16(node_field::kAccessedDate);
    node.modifiedTime = fields.U32(node_field::kModifiedTime);
    node.modifiedDate = fields.U16(node_field::kModifiedDate);
    node.milliseconds = fields.U16(node_field::kMilliseconds);
    node.size = fields.U64(node_field::kSize);
    node.location = fields.U32(node_field::kLocation);
    node.recordNumber = fields.U32(node_field::kRecordNumber);
    node.extra = fields.U32(node_field::kExtra);
    node.dirSource = nullptr;
}

// A node whose children are being read, and the next of them to read.
struct OpenRecord {
    ScanNode* node;
    std::size_t next;
};

}  // namespace

void WriteNodeTree(ArchiveWriter& archive, const ScanNode& top) {
    struct Writing {
        const ScanNode* node;
        std::size_t next;
    };
    WriteNodeRecord(archive, top);
    std::vector<Writing> stack{{&top, 0}};
    while (!stack.empty()) {
        Writing& open = stack.back();
        if (open.next == open.node->children.size()) {
            stack.pop_back();
            continue;
        }
        const ScanNode& child = open.node->children[open.next++];
        WriteNodeRecord(archive, child);
        if (!child.children.empty()) stack.push_back({&child, 0});
    }
}

bool ReadNodeTree(ArchiveReader& archive, ScanNode& top, NamePool& names, std::uint64_t recordsAfter) {
    // Records declared and not read yet, this subtree's and those owed after it.
    std::uint64_t owed = recordsAfter + 1;
    // Reads one record into `node` and gives it its (zeroed) children; false on damage.
    const auto readRecord = [&](ScanNode& node) {
        const std::uint32_t count = archive.U32();
        const std::u16string name = archive.String();
        NodeFieldBlock block{};
        archive.Bytes(block);
        --owed;
        if (!archive.Good() || !archive.CanHold(owed + count, kLeastNodeRecordBytes)) return false;
        owed += count;
        TakeFields(node, block);
        node.name = name.empty() ? nullptr : names.Add(name);
        std::vector<ScanNode>(count).swap(node.children);
        for (ScanNode& child : node.children) child.parent = &node;
        return true;
    };

    std::vector<OpenRecord> stack;
    try {
        if (!readRecord(top)) {
            archive.Fail();
            return false;
        }
        stack.push_back({&top, 0});
        while (!stack.empty()) {
            OpenRecord& open = stack.back();
            if (open.next == open.node->children.size()) {
                stack.pop_back();
                continue;
            }
            // The child would lie one level below the open records.
            if (stack.size() >= kMaxLoadedTreeDepth) break;
            ScanNode& child = open.node->children[open.next++];
            if (!readRecord(child)) break;
            if (!child.children.empty()) stack.push_back({&child, 0});
        }
    } catch (const std::bad_alloc&) {
        stack.push_back({&top, 0});
    }
    if (stack.empty()) return true;
    std::vector<ScanNode>().swap(top.children);
    archive.Fail();
    return false;
}

}  // namespace tundrel
