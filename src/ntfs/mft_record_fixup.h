#pragma once
// Repairs applied to MFT file records before they are parsed: records read from a damaged or
// formatted volume may sit a few bytes off their block, and their first sector's last two
// bytes hold the update-sequence number instead of the data that belongs there.

#include <cstddef>
#include <cstdint>
#include <span>

namespace tundrel {

inline constexpr std::size_t kMftRecordBytes = 1024;
// The update-sequence array of the header that file records ("FILE") and index blocks ("INDX") share.
inline constexpr std::size_t kUpdateSequenceOffsetField = 0x04;
inline constexpr std::size_t kUpdateSequenceCountField = 0x06;

// For every 1024-byte block of `buffer`: when "FILE" starts at some offset k from 1 to 1021
// (the first hit wins), the 1024 bytes from k on are moved to the block start. Bytes that
// would come from beyond the buffer read as zeros.
void RealignMftRecords(std::span<std::uint8_t> buffer);

// Realigns the record at the start of `record` (bytes after its first 1024 may supply the
// shift), then copies the first saved update-sequence pair to bytes 510-511. The pair is not
// compared with the sequence number first: a stale or torn record is parsed all the same.
void FixupFirstSector(std::span<std::uint8_t> record);

}  // namespace tundrel
