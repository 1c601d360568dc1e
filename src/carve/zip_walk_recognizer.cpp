#include "carve/zip_walk_recognizer.h"

#include <algorithm>
#include <array>

#include "carve/signature.h"
#include "support/text.h"

namespace tundrel {
namespace {

constexpr RecordMark kLocalHeader = {'P', 'K', 3, 4};
constexpr RecordMark kCentralHeader = {'P', 'K', 1, 2};
constexpr RecordMark kDataDescriptor = {'P', 'K', 7, 8};
constexpr RecordMark kEndRecord = {'P', 'K', 5, 6};
// Where a streamed entry's data may end: its descriptor (whose mark is optional), or the next header.
constexpr std::array<RecordMark, 3> kAfterStreamedData = {kDataDescriptor, kLocalHeader, kCentralHeader};

constexpr std::uint32_t kLocalHeaderBytes = 30;
constexpr std::uint32_t kCentralHeaderBytes = 46;
constexpr std::uint32_t kEndRecordBytes = 22;
constexpr std::uint32_t kDescriptorBytes = 16;  // mark, CRC and both sizes
constexpr std::uint16_t kStreamedFlag = 0x0008;
constexpr std::uint16_t kUtf8NameFlag = 0x0800;
constexpr std::size_t kMaxNameBytes = 259;
constexpr std::size_t kNameStartBytes = 5;  // enough to tell "word/" and "ppt/" apart
// The most data a streamed entry's descriptor can state without ZIP64.
constexpr std::uint64_t kMaxStreamedEntryBytes = 0xFFFF'FFFF;

bool HasMark(std::span<const std::uint8_t> bytes, const RecordMark& mark) {
    return HasBytes(bytes, 0, {mark[0], mark[1], mark[2], mark[3]});
}

}  // namespace

ZipWalkRecognizer::ZipWalkRecognizer()
    : WalkingRecognizer({.headerBytes = kCentralHeaderBytes + kNameStartBytes}) {}

std::optional<std::u16string> ZipWalkRecognizer::FirstEntryName(const CarveBlock& block) {
    const ByteReader reader(block.Block());
    if (!HasMark(block.Block(), kLocalHeader)) return std::nullopt;
    const std::uint16_t length = reader.U16(26);
    if (length == 0 || length > kMaxNameBytes) return std::nullopt;
    // The name may run past the block into the rest of the read buffer, or past the buffer.
    const std::string bytes = TextOf(block.bytes, kLocalHeaderBytes, length);
    if ((reader.U16(6) & kUtf8NameFlag) != 0) return ToUtf16(bytes);
    std::u16string name;
    for (char c : bytes) name.push_back(static_cast<char16_t>(static_cast<std::uint8_t>(c)));
    return name;
}

bool ZipWalkRecognizer::OpensOfficePackage(std::u16string_view name) {
    return name.substr(0, name.rfind(u'.')) == u"[Content_Types]" || name == u"_rels/.rels";
}

void ZipWalkRecognizer::BeginFile(const CarveBlock& block) { firstName_ = FirstEntryName(block).value_or(u""); }

RecordStep ZipWalkRecognizer::ReadHeader(std::span<const std::uint8_t> header) {
    const ByteReader reader(header);
    if (HasMark(header, kLocalHeader)) {
        const std::uint16_t nameLength = reader.U16(26);
        LocalEntry(TextOf(header, kLocalHeaderBytes, std::min<std::size_t>(nameLength, kNameStartBytes)));
        const std::uint64_t headers = kLocalHeaderBytes + std::uint64_t{nameLength} + reader.U16(28);
        if ((reader.U16(6) & kStreamedFlag) != 0) {
            return RecordStep::SearchAfter(headers, kAfterStreamedData, kMaxStreamedEntryBytes);
        }
        return RecordStep::Next(headers + reader.U32(18));
    }
    if (HasMark(header, kDataDescriptor)) return RecordStep::Next(kDescriptorBytes);
    if (HasMark(header, kCentralHeader)) {
        const std::uint16_t nameLength = reader.U16(28);
        CentralEntry(TextOf(header, kCentralHeaderBytes, std::min<std::size_t>(nameLength, kNameStartBytes)));
        return RecordStep::Next(kCentralHeaderBytes + std::uint64_t{nameLength} + reader.U16(30) + reader.U16(32));
    }
    if (HasMark(header, kEndRecord)) return RecordStep::End(kEndRecordBytes + reader.U16(20));  // and its comment
    return RecordStep::End();
}

void ZipWalkRecognizer::ReadCentralDirectory(std::span<const std::uint8_t> directory) {
    std::array<std::uint8_t, kCentralHeaderBytes + kNameStartBytes> header{};
    for (std::size_t at = 0; at < directory.size();) {
        const std::span<const std::uint8_t> rest = directory.subspan(at);
        header.fill(0);
        std::copy_n(rest.begin(), std::min(rest.size(), header.size()), header.begin());
        if (!HasMark(header, kCentralHeader)) return;
        at += static_cast<std::size_t>(std::min<std::uint64_t>(ReadHeader(header).length, rest.size()));
    }
}

std::optional<ZipCentralDirectory> FindZipCentralDirectory(std::span<const std::uint8_t> tail, std::uint64_t tailOffset) {
    if (tail.size() < kEndRecordBytes) return std::nullopt;
    for (std::size_t at = tail.size() - kEndRecordBytes + 1; at-- > 0;) {
        if (!HasMark(tail.subspan(at), kEndRecord)) continue;
        const ByteReader reader(tail.subspan(at));
        const ZipCentralDirectory directory{reader.U32(16), reader.U32(12)};
        if (directory.offset + directory.size <= tailOffset + at) return directory;
    }
    return std::nullopt;
}

}  // namespace tundrel
