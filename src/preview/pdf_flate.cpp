#include "preview/pdf_flate.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace tundrel {

namespace {

// windowBits 15 + 32 reads a zlib or gzip header; -15 reads raw deflate.
void Inflate(std::span<const std::uint8_t> compressed, std::size_t limit, int windowBits, std::vector<std::uint8_t>& out) {
    z_stream stream{};
    if (inflateInit2(&stream, windowBits) != Z_OK) return;
    constexpr std::size_t kPiece = 64 * 1024;
    std::size_t offset = 0;
    int status = Z_OK;
    while (status == Z_OK && out.size() < limit) {
        if (stream.avail_in == 0 && offset < compressed.size()) {
            const std::size_t piece = std::min<std::size_t>(compressed.size() - offset, std::numeric_limits<uInt>::max() / 2);
            // zlib's input pointer is not const in older headers; it only reads through it.
            stream.next_in = const_cast<Bytef*>(compressed.data() + offset);
            stream.avail_in = static_cast<uInt>(piece);
            offset += piece;
        }
        const std::size_t before = out.size();
        const std::size_t room = std::min(kPiece, limit - before);
        out.resize(before + room);
        stream.next_out = out.data() + before;
        stream.avail_out = static_cast<uInt>(room);
        status = inflate(&stream, Z_NO_FLUSH);
        out.resize(before + room - stream.avail_out);
        if (status == Z_BUF_ERROR && stream.avail_in == 0 && offset >= compressed.size()) break;  // input cut short
        if (status == Z_BUF_ERROR && stream.avail_out != 0) break;
        if (status == Z_BUF_ERROR) status = Z_OK;
    }
    inflateEnd(&stream);
}

}  // namespace

std::vector<std::uint8_t> InflatePdfStream(std::span<const std::uint8_t> compressed, std::size_t limit) {
    std::vector<std::uint8_t> out;
    if (compressed.empty() || limit == 0) return out;
    Inflate(compressed, limit, 15 + 32, out);
    if (!out.empty()) return out;
    Inflate(compressed, limit, -15, out);
    return out;
}

}  // namespace tundrel
