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
    // zlib's input pointer is not const in older headers; it only reads through it.
    stream.next_in = const_cast<Bytef*>(compressed.data());
    stream.avail_in = static_cast<uInt>(std::min<std::size_t>(compressed.size(), std::numeric_limits<uInt>::max()));
    std::vector<std::uint8_t> piece(256 * 1024);
    int status = Z_OK;
    while (status == Z_OK && out.size() < limit) {
        stream.next_out = piece.data();
        stream.avail_out = static_cast<uInt>(std::min(piece.size(), limit - out.size()));
        const uInt room = stream.avail_out;
        status = inflate(&stream, Z_NO_FLUSH);
        out.insert(out.end(), piece.begin(), piece.begin() + (room - stream.avail_out));
        if (status == Z_BUF_ERROR || room == stream.avail_out) break;  // input cut short, or no progress
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
