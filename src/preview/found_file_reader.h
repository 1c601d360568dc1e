#pragma once
// A found file's bytes, read again from the source through the scanner that found it.

#include <cstdint>
#include <span>

#include "carve/content_detector.h"
#include "scan/file_extent.h"

namespace tundrel {

class VolumeScanner;
struct ScanNode;

class FoundFileReader {
public:
    // Locates the node's data runs once; Located() says whether that worked.
    FoundFileReader(VolumeScanner& scanner, const ScanNode& node);

    bool Located() const { return located_; }
    // The bytes its data runs hold: the recorded size, or less where the runs end first.
    std::uint64_t Size() const { return size_; }
    // Fills `buffer` from byte `offset`; false when part of it could not be read (that part is
    // zero-filled) or lies beyond Size().
    bool Read(std::uint64_t offset, std::span<std::uint8_t> buffer);
    FileBytesReader AsBytesReader();

private:
    VolumeScanner& scanner_;
    const ScanNode& node_;
    ExtentList extents_;
    std::uint64_t size_ = 0;
    bool located_ = false;
};

}  // namespace tundrel
