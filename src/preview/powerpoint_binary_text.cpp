#include "preview/powerpoint_binary_text.h"

#include <map>
#include <optional>
#include <set>
#include <span>
#include <vector>

#include "preview/text_wrap.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

constexpr std::size_t kMinimumDocumentStream = 1024;
constexpr std::size_t kRecordHeaderBytes = 8;
constexpr std::uint16_t kContainerVersion = 0x0F;
constexpr std::uint16_t kDocumentContainer = 0x03E8;
constexpr std::uint16_t kSlidePersist = 0x03F3;
constexpr std::uint16_t kSlideList = 0x0FF0;
constexpr std::uint16_t kUserEdit = 0x0FF5;
constexpr std::uint16_t kCurrentUser = 0x0FF6;
constexpr std::uint16_t kTextCharacters = 4000;
constexpr std::uint16_t kTextBytes = 4008;
constexpr std::uint16_t kPersistDirectory = 0x1772;
constexpr std::uint16_t kSlidesInstance = 0;
constexpr int kMaxDepth = 32;
constexpr std::size_t kMaxEdits = 4096;
constexpr std::size_t kBlockCharacters = 32768;

struct RecordHeader {
    std::uint16_t version;
    std::uint16_t instance;
    std::uint16_t type;
    std::size_t dataAt;
    std::size_t length;
};

// The record at `at`, when its header and data lie inside `reader`.
std::optional<RecordHeader> ReadRecordHeader(const ByteReader& reader, std::size_t at) {
    if (!reader.Has(at, kRecordHeaderBytes)) return std::nullopt;
    const std::uint16_t versionAndInstance = reader.U16(at);
    const RecordHeader header{static_cast<std::uint16_t>(versionAndInstance & 0x0F), static_cast<std::uint16_t>(versionAndInstance >> 4),
                              reader.U16(at + 2), at + kRecordHeaderBytes, reader.U32(at + 4)};
    if (!reader.Has(header.dataAt, header.length)) return std::nullopt;
    return header;
}

// Text collected in blocks of up to 32,768 characters, each wrapped as it is handed on.
class TextCollector {
public:
    TextCollector(AnsiCodePage& codePage, std::size_t budget) : codePage_(codePage), budget_(budget) {}

    // Counts the bytes a walk passes; false once they exceed the budget, so that slides whose
    // records overlap cannot make the walk pass the stream over and over.
    bool Charge(std::size_t bytes) {
        if (bytes > budget_) return false;
        budget_ -= bytes;
        return true;
    }

    void Take(const RecordHeader& record, const ByteReader& stream) {
        if (record.type != kTextCharacters && record.type != kTextBytes) return;
        const std::span<const std::uint8_t> data = stream.Bytes(record.dataAt, record.length);
        std::u16string text;
        if (record.type == kTextBytes) {
            text = codePage_.Decode(data);
        } else {
            const ByteReader units(data);
            for (std::size_t at = 0; at + 2 <= data.size(); at += 2) text.push_back(static_cast<char16_t>(units.U16(at)));
        }
        Append(text);
        Append(u"\r\n");
    }

    std::u16string Finish() {
        Flush();
        return std::move(output_);
    }

private:
    void Append(std::u16string_view text) {
        while (!text.empty()) {
            const std::size_t take = std::min(text.size(), kBlockCharacters - block_.size());
            block_.append(text.substr(0, take));
            text.remove_prefix(take);
            if (block_.size() == kBlockCharacters) Flush();
        }
    }
    void Flush() {
        output_ += WrapText(block_, kDocumentWrap);
        block_.clear();
    }

    AnsiCodePage& codePage_;
    std::size_t budget_;
    std::u16string block_;
    std::u16string output_;
};

// Collects the text of the records in [at, end), entering containers; a record that runs past
// its container ends the container.
void WalkRecords(const ByteReader& stream, std::size_t at, std::size_t end, int depth, TextCollector& text) {
    while (at + kRecordHeaderBytes <= end) {
        const std::optional<RecordHeader> record = ReadRecordHeader(stream, at);
        if (!record || record->length > end - record->dataAt) return;
        const bool container = record->version == kContainerVersion;
        if (!text.Charge(kRecordHeaderBytes + (container ? 0 : record->length))) return;
        if (container) {
            if (depth < kMaxDepth) WalkRecords(stream, record->dataAt, record->dataAt + record->length, depth + 1, text);
        } else {
            text.Take(*record, stream);
        }
        at = record->dataAt + record->length;
    }
}

void WalkRecord(const ByteReader& stream, std::size_t at, TextCollector& text) {
    if (const std::optional<RecordHeader> record = ReadRecordHeader(stream, at)) {
        WalkRecords(stream, at, record->dataAt + record->length, 0, text);
    }
}

// Where each persisted object lies in the document stream, by persist id, from the chain of
// edits the "Current User" stream leads to; the newest edit's entries win. Nothing when the
// chain is broken at its start; the document container's persist id in `documentId`.
std::optional<std::map<std::uint32_t, std::uint32_t>> PersistedObjects(const ByteReader& currentUser,
                                                                       const ByteReader& stream, std::uint32_t& documentId) {
    const std::optional<RecordHeader> user = ReadRecordHeader(currentUser, 0);
    if (!user || user->type != kCurrentUser || user->length < 12) return std::nullopt;
    std::map<std::uint32_t, std::uint32_t> objects;
    std::set<std::uint32_t> passed;
    std::set<std::uint32_t> passedDirectories;
    std::uint32_t editAt = currentUser.U32(user->dataAt + 8);
    for (std::size_t edits = 0; edits < kMaxEdits && passed.insert(editAt).second; ++edits) {
        const std::optional<RecordHeader> edit = ReadRecordHeader(stream, editAt);
        if (!edit || edit->type != kUserEdit || edit->length < 20) break;
        if (edits == 0) documentId = stream.U32(edit->dataAt + 16);
        const std::uint32_t directoryAt = stream.U32(edit->dataAt + 12);
        const std::optional<RecordHeader> directory = ReadRecordHeader(stream, directoryAt);
        if (directory && directory->type == kPersistDirectory && passedDirectories.insert(directoryAt).second) {
            const std::size_t end = directory->dataAt + directory->length;
            for (std::size_t at = directory->dataAt; at + 4 <= end;) {
                const std::uint32_t entry = stream.U32(at);
                const std::uint32_t first = entry & 0xFFFFF;
                const std::size_t count = entry >> 20;
                at += 4;
                for (std::size_t i = 0; i < count && at + 4 <= end; ++i, at += 4) objects.emplace(first + static_cast<std::uint32_t>(i), stream.U32(at));
            }
        }
        editAt = stream.U32(edit->dataAt + 8);
        if (editAt == 0) break;
    }
    if (passed.empty() || objects.empty()) return std::nullopt;
    return objects;
}

// The slides' text in slide order: for each slide of the document's slide list, the outline
// text the list holds for it, then the text of the slide's own drawing. False when the document
// container or its slide list cannot be found.
bool WalkSlides(const ByteReader& currentUser, const ByteReader& stream, TextCollector& text) {
    std::uint32_t documentId = 0;
    const std::optional<std::map<std::uint32_t, std::uint32_t>> objects = PersistedObjects(currentUser, stream, documentId);
    if (!objects) return false;
    const auto documentAt = objects->find(documentId);
    if (documentAt == objects->end()) return false;
    const std::optional<RecordHeader> document = ReadRecordHeader(stream, documentAt->second);
    if (!document || document->type != kDocumentContainer || document->version != kContainerVersion) return false;

    const std::size_t documentEnd = document->dataAt + document->length;
    std::optional<RecordHeader> slideList;
    for (std::size_t at = document->dataAt; at + kRecordHeaderBytes <= documentEnd;) {
        const std::optional<RecordHeader> record = ReadRecordHeader(stream, at);
        if (!record || record->length > documentEnd - record->dataAt) break;
        if (record->type == kSlideList && record->instance == kSlidesInstance) slideList = record;
        at = record->dataAt + record->length;
    }
    if (!slideList) return false;

    std::set<std::uint32_t> shown;  // by offset: two slides that name one container show it once
    std::optional<std::uint32_t> slideId;
    auto showSlide = [&] {
        if (!slideId) return;
        const auto slideAt = objects->find(*slideId);
        if (slideAt != objects->end() && shown.insert(slideAt->second).second) WalkRecord(stream, slideAt->second, text);
    };
    const std::size_t listEnd = slideList->dataAt + slideList->length;
    for (std::size_t at = slideList->dataAt; at + kRecordHeaderBytes <= listEnd;) {
        const std::optional<RecordHeader> record = ReadRecordHeader(stream, at);
        if (!record || record->length > listEnd - record->dataAt || !text.Charge(kRecordHeaderBytes + record->length)) break;
        if (record->type == kSlidePersist) {
            showSlide();
            slideId = stream.U32(record->dataAt);
        } else {
            text.Take(*record, stream);
        }
        at = record->dataAt + record->length;
    }
    showSlide();
    return true;
}

std::vector<std::uint8_t> StreamNamed(const CompoundDocument& document, std::u16string_view name, bool& found) {
    const CompoundEntry* entry = document.FindStream(name);
    found = entry != nullptr;
    return found ? document.ReadStream(*entry) : std::vector<std::uint8_t>{};
}

}  // namespace

std::u16string PowerPointBinaryText(const CompoundDocument& document, AnsiCodePage& codePage) {
    bool hasUser = false;
    bool hasDocument = false;
    const std::vector<std::uint8_t> userBytes = StreamNamed(document, u"Current User", hasUser);
    const std::vector<std::uint8_t> documentBytes = StreamNamed(document, u"PowerPoint Document", hasDocument);
    if (!hasUser || !hasDocument || documentBytes.size() < kMinimumDocumentStream) return {};
    const ByteReader currentUser(userBytes);
    const ByteReader stream(documentBytes);
    // Every byte of the stream may be passed twice: once in the slide list, once in the slide.
    TextCollector text(codePage, 2 * stream.size());
    if (!WalkSlides(currentUser, stream, text)) {
        TextCollector linear(codePage, stream.size());
        WalkRecords(stream, 0, stream.size(), 0, linear);
        return linear.Finish();
    }
    return text.Finish();
}

}  // namespace tundrel
