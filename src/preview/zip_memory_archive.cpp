#include "preview/zip_memory_archive.h"

#include <unzip.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace tundrel {
namespace {

// minizip's view of the buffer: a read-only file with a position.
struct MemoryFile {
    std::span<const std::uint8_t> bytes;
    std::uint64_t position = 0;
};

std::span<const std::uint8_t>& BufferOf(voidpf opaque) {
    return *static_cast<std::span<const std::uint8_t>*>(opaque);
}

voidpf ZCALLBACK OpenMemory(voidpf opaque, const void*, int mode) {
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
    return new (std::nothrow) MemoryFile{BufferOf(opaque), 0};
}

uLong ZCALLBACK ReadMemory(voidpf, voidpf stream, void* buffer, uLong size) {
    auto* file = static_cast<MemoryFile*>(stream);
    if (file->position >= file->bytes.size()) return 0;
    const std::uint64_t count = std::min<std::uint64_t>(size, file->bytes.size() - file->position);
    std::memcpy(buffer, file->bytes.data() + file->position, count);
    file->position += count;
    return static_cast<uLong>(count);
}

uLong ZCALLBACK WriteMemory(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK TellMemory(voidpf, voidpf stream) { return static_cast<MemoryFile*>(stream)->position; }

long ZCALLBACK SeekMemory(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto* file = static_cast<MemoryFile*>(stream);
    std::uint64_t base = 0;
    switch (origin) {
        case ZLIB_FILEFUNC_SEEK_SET: base = 0; break;
        case ZLIB_FILEFUNC_SEEK_CUR: base = file->position; break;
        case ZLIB_FILEFUNC_SEEK_END: base = file->bytes.size(); break;
        default: return -1;
    }
    if (offset > file->bytes.size() || base > file->bytes.size() - offset) return -1;
    file->position = base + offset;
    return 0;
}

int ZCALLBACK CloseMemory(voidpf, voidpf stream) {
    delete static_cast<MemoryFile*>(stream);
    return 0;
}

int ZCALLBACK ErrorMemory(voidpf, voidpf) { return 0; }

constexpr uLong kZipEncryptedFlag = 1;
constexpr std::size_t kReadPiece = 64 * 1024;

}  // namespace

ZipMemoryArchive::ZipMemoryArchive(std::span<const std::uint8_t> bytes) : source_{bytes} {
    zlib_filefunc64_def functions{OpenMemory, ReadMemory, WriteMemory, TellMemory,
                                  SeekMemory, CloseMemory, ErrorMemory, &source_.bytes};
    handle_ = unzOpen2_64("memory", &functions);
    if (handle_ == nullptr) return;

    std::vector<char> name(65'536);
    for (int status = unzGoToFirstFile(handle_); status == UNZ_OK && members_.size() < kMaxMembers;
         status = unzGoToNextFile(handle_)) {
        unz_file_info64 info{};
        unz64_file_pos position{};
        if (unzGetCurrentFileInfo64(handle_, &info, name.data(), name.size(), nullptr, 0, nullptr, 0) != UNZ_OK ||
            unzGetFilePos64(handle_, &position) != UNZ_OK) {
            break;
        }
        const std::size_t length = std::min<std::size_t>(info.size_filename, name.size());
        members_.push_back(ZipMember{std::string(name.data(), length), info.uncompressed_size,
                                     position.pos_in_zip_directory, position.num_of_file});
    }
    for (std::size_t i = 0; i < members_.size(); ++i) byName_.emplace(members_[i].name, i);
}

ZipMemoryArchive::~ZipMemoryArchive() {
    if (handle_ != nullptr) unzClose(handle_);
}

const ZipMember* ZipMemoryArchive::Find(std::string_view name) const {
    const auto found = byName_.find(name);
    return found == byName_.end() ? nullptr : &members_[found->second];
}

std::optional<std::vector<std::uint8_t>> ZipMemoryArchive::Read(std::string_view name) {
    const ZipMember* member = Find(name);
    if (member == nullptr) return std::nullopt;
    return Read(*member);
}

std::optional<std::vector<std::uint8_t>> ZipMemoryArchive::Read(const ZipMember& member) {
    if (handle_ == nullptr || member.size > kInflateLimit || member.size > kTotalInflateLimit - inflated_) {
        return std::nullopt;
    }
    inflated_ += member.size;
    const unz64_file_pos position{member.directoryOffset, member.entryNumber};
    unz_file_info64 info{};
    if (unzGoToFilePos64(handle_, &position) != UNZ_OK ||
        unzGetCurrentFileInfo64(handle_, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK ||
        (info.flag & kZipEncryptedFlag) != 0 || info.uncompressed_size != member.size ||
        unzOpenCurrentFile(handle_) != UNZ_OK) {
        return std::nullopt;
    }
    // minizip stops at the size the directory gives; the bound holds whatever it delivers.
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(member.size, kReadPiece)));
    bool whole = false;
    while (out.size() <= member.size) {
        const std::size_t at = out.size();
        out.resize(at + kReadPiece);
        const int count = unzReadCurrentFile(handle_, out.data() + at, static_cast<unsigned>(kReadPiece));
        out.resize(at + static_cast<std::size_t>(std::max(count, 0)));
        if (count == 0) whole = out.size() == member.size;
        if (count <= 0) break;
    }
    const bool checked = unzCloseCurrentFile(handle_) == UNZ_OK;
    if (!whole || !checked) return std::nullopt;
    return out;
}

}  // namespace tundrel
