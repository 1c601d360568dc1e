#include "preview/rar_lz_unpack.h"

#include <algorithm>
#include <array>

#include "support/byte_reader.h"

namespace tundrel {

namespace {

// Code counts of the four tables: literals and lengths, distances, low distance bits, repeated
// lengths; and of the table that codes their bit lengths.
constexpr std::size_t kMainCodes = 299, kDistanceCodes = 60, kLowDistanceCodes = 17, kRepeatCodes = 28;
constexpr std::size_t kBitLengthCodes = 20;
constexpr std::size_t kTableCodes = kMainCodes + kDistanceCodes + kLowDistanceCodes + kRepeatCodes;
constexpr unsigned kLowDistanceRepeats = 16;

constexpr std::array<std::uint8_t, 28> kLengthBase{0,  1,  2,  3,  4,  5,  6,  7,   8,   10,  12,  14,  16,  20,
                                                   24, 28, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224};
constexpr std::array<std::uint8_t, 28> kLengthBits{0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                                   2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
constexpr std::array<std::uint8_t, 8> kShortDistanceBase{0, 4, 8, 16, 32, 64, 128, 192};
constexpr std::array<std::uint8_t, 8> kShortDistanceBits{2, 2, 3, 4, 5, 6, 6, 6};

struct DistanceSlots {
    std::array<std::uint32_t, kDistanceCodes> base{};
    std::array<std::uint8_t, kDistanceCodes> bits{};
    constexpr DistanceSlots() {
        // Slots per bit count: 4 of 0 bits, 2 each of 1 to 15, 14 of 16, 12 of 18.
        constexpr std::array<std::uint8_t, 19> kSlotsPerBits{4, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 14, 0, 12};
        std::size_t slot = 0;
        std::uint32_t distance = 0;
        for (std::size_t bitCount = 0; bitCount < kSlotsPerBits.size(); ++bitCount) {
            for (unsigned n = 0; n < kSlotsPerBits[bitCount]; ++n, ++slot) {
                base[slot] = distance;
                bits[slot] = static_cast<std::uint8_t>(bitCount);
                distance += 1u << bitCount;
            }
        }
    }
};
constexpr DistanceSlots kDistances;

class BitInput {
public:
    explicit BitInput(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    // The next 16 bits, most significant first; zeros past the end.
    std::uint32_t Peek16() const {
        const std::size_t byte = position_ / 8;
        const std::uint32_t window = (std::uint32_t{bytes_.U8(byte)} << 16) | (std::uint32_t{bytes_.U8(byte + 1)} << 8) |
                                     bytes_.U8(byte + 2);
        return (window >> (8 - position_ % 8)) & 0xFFFF;
    }
    std::uint32_t Take(unsigned count) {
        const std::uint32_t value = count == 0 ? 0 : Peek16() >> (16 - count);
        position_ += count;
        return value;
    }
    void Skip(unsigned count) { position_ += count; }
    void AlignToByte() { position_ = (position_ + 7) & ~std::size_t{7}; }
    bool Overrun() const { return position_ > bytes_.size() * 8; }

private:
    ByteReader bytes_;
    std::size_t position_ = 0;
};

// A canonical Huffman code: per bit length the upper bound of its codes (left-aligned to 16
// bits) and where its symbols start.
class HuffmanCode {
public:
    void Build(std::span<const std::uint8_t> lengths) {
        std::array<unsigned, 16> counts{};
        for (const std::uint8_t length : lengths) ++counts[length & 0xF];
        counts[0] = 0;
        std::array<unsigned, 16> next{};
        std::uint32_t code = 0;
        for (std::size_t bits = 1; bits < 16; ++bits) {
            code = 2 * (code + counts[bits]);
            limit_[bits] = std::min<std::uint32_t>(code << (15 - bits), 0xFFFF);
            start_[bits] = next[bits] = start_[bits - 1] + counts[bits - 1];
        }
        symbols_.assign(lengths.size(), 0);
        for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol) {
            if ((lengths[symbol] & 0xF) != 0) symbols_[next[lengths[symbol] & 0xF]++] = static_cast<std::uint16_t>(symbol);
        }
    }

    unsigned Decode(BitInput& input) const {
        const std::uint32_t field = input.Peek16() & 0xFFFE;
        std::size_t bits = 1;
        while (bits < 15 && field >= limit_[bits]) ++bits;
        input.Skip(static_cast<unsigned>(bits));
        const std::size_t at = start_[bits] + ((field - limit_[bits - 1]) >> (16 - bits));
        return at < symbols_.size() ? symbols_[at] : symbols_.empty() ? 0 : symbols_[0];
    }

private:
    std::array<std::uint32_t, 16> limit_{};
    std::array<std::uint32_t, 16> start_{};
    std::vector<std::uint16_t> symbols_;
};

class LzUnpacker {
public:
    LzUnpacker(std::span<const std::uint8_t> packed, std::size_t unpackedSize) : input_(packed), wanted_(unpackedSize) {
        out_.reserve(unpackedSize);
    }

    std::optional<std::vector<std::uint8_t>> Run() {
        if (!ReadTables()) return std::nullopt;
        while (out_.size() < wanted_) {
            if (input_.Overrun()) return std::nullopt;
            const unsigned number = main_.Decode(input_);
            if (number < 256) {
                out_.push_back(static_cast<std::uint8_t>(number));
            } else if (number >= 271) {
                if (!Match(number - 271)) return std::nullopt;
            } else if (number == 256) {
                if (!EndOfBlock()) break;
            } else if (number == 257) {
                return std::nullopt;  // a filter program
            } else if (number == 258) {
                if (lastLength_ != 0 && !Copy(lastLength_, lastDistance_)) return std::nullopt;
            } else if (number < 263) {
                if (!RepeatedDistance(number - 259)) return std::nullopt;
            } else {
                const unsigned slot = number - 263;
                const std::uint32_t distance = kShortDistanceBase[slot] + 1 + input_.Take(kShortDistanceBits[slot]);
                Remember(2, distance);
                if (!Copy(2, distance)) return std::nullopt;
            }
        }
        if (out_.size() < wanted_) return std::nullopt;
        out_.resize(wanted_);
        return std::move(out_);
    }

private:
    bool ReadTables() {
        input_.AlignToByte();
        const std::uint32_t field = input_.Peek16();
        if ((field & 0x8000) != 0) return false;  // PPM
        if ((field & 0x4000) == 0) oldLengths_.fill(0);
        input_.Skip(2);
        previousLowDistance_ = 0;
        lowDistanceRepeats_ = 0;

        std::array<std::uint8_t, kBitLengthCodes> bitLengths{};
        for (std::size_t i = 0; i < kBitLengthCodes;) {
            const auto length = static_cast<std::uint8_t>(input_.Take(4));
            if (length != 15) {
                bitLengths[i++] = length;
                continue;
            }
            const unsigned zeros = input_.Take(4);
            if (zeros == 0) {
                bitLengths[i++] = 15;
            } else {
                for (unsigned n = zeros + 2; n > 0 && i < kBitLengthCodes; --n) bitLengths[i++] = 0;
            }
        }
        HuffmanCode lengthCode;
        lengthCode.Build(bitLengths);

        std::array<std::uint8_t, kTableCodes> lengths{};
        for (std::size_t i = 0; i < kTableCodes;) {
            if (input_.Overrun()) return false;
            const unsigned number = lengthCode.Decode(input_);
            if (number < 16) {
                lengths[i] = static_cast<std::uint8_t>((number + oldLengths_[i]) & 0xF);
                ++i;
            } else if (number < 18) {
                if (i == 0) return false;  // nothing to repeat
                unsigned count = number == 16 ? input_.Take(3) + 3 : input_.Take(7) + 11;
                for (; count > 0 && i < kTableCodes; --count, ++i) lengths[i] = lengths[i - 1];
            } else {
                unsigned count = number == 18 ? input_.Take(3) + 3 : input_.Take(7) + 11;
                for (; count > 0 && i < kTableCodes; --count) lengths[i++] = 0;
            }
        }
        const std::span<const std::uint8_t> all(lengths);
        main_.Build(all.subspan(0, kMainCodes));
        distance_.Build(all.subspan(kMainCodes, kDistanceCodes));
        lowDistance_.Build(all.subspan(kMainCodes + kDistanceCodes, kLowDistanceCodes));
        repeat_.Build(all.subspan(kMainCodes + kDistanceCodes + kLowDistanceCodes, kRepeatCodes));
        oldLengths_ = lengths;
        return !input_.Overrun();
    }

    // The end of a block: the file ends (false), or new tables follow.
    bool EndOfBlock() {
        const std::uint32_t field = input_.Peek16();
        if ((field & 0x8000) != 0) {
            input_.Skip(1);
            return ReadTables();
        }
        input_.Skip(2);
        return false;
    }

    bool Match(unsigned lengthSlot) {
        std::uint32_t length = kLengthBase[lengthSlot] + 3u + input_.Take(kLengthBits[lengthSlot]);
        const unsigned slot = distance_.Decode(input_);
        if (slot >= kDistanceCodes) return false;
        std::uint32_t distance = kDistances.base[slot] + 1;
        const unsigned bits = kDistances.bits[slot];
        if (bits > 0 && slot > 9) {
            if (bits > 4) distance += input_.Take(bits - 4) << 4;
            if (lowDistanceRepeats_ > 0) {
                --lowDistanceRepeats_;
                distance += previousLowDistance_;
            } else {
                const unsigned low = lowDistance_.Decode(input_);
                if (low == 16) {
                    lowDistanceRepeats_ = kLowDistanceRepeats - 1;
                    distance += previousLowDistance_;
                } else {
                    distance += low;
                    previousLowDistance_ = low;
                }
            }
        } else if (bits > 0) {
            distance += input_.Take(bits);
        }
        if (distance >= 0x2000) ++length;
        if (distance >= 0x40000) ++length;
        PushOldDistance(distance);
        Remember(length, distance);
        return Copy(length, distance);
    }

    bool RepeatedDistance(unsigned index) {
        const std::uint32_t distance = oldDistances_[index];
        std::copy_backward(oldDistances_.begin(), oldDistances_.begin() + index, oldDistances_.begin() + index + 1);
        oldDistances_[0] = distance;
        const unsigned slot = repeat_.Decode(input_);
        if (slot >= kLengthBase.size()) return false;
        const std::uint32_t length = kLengthBase[slot] + 2u + input_.Take(kLengthBits[slot]);
        Remember(length, distance);
        return Copy(length, distance);
    }

    void PushOldDistance(std::uint32_t distance) {
        std::copy_backward(oldDistances_.begin(), oldDistances_.end() - 1, oldDistances_.end());
        oldDistances_[0] = distance;
    }

    void Remember(std::uint32_t length, std::uint32_t distance) {
        lastLength_ = length;
        lastDistance_ = distance;
    }

    bool Copy(std::uint32_t length, std::uint32_t distance) {
        if (distance == 0 || distance > out_.size()) return false;
        for (; length > 0 && out_.size() < wanted_; --length) out_.push_back(out_[out_.size() - distance]);
        return true;
    }

    BitInput input_;
    std::size_t wanted_;
    std::vector<std::uint8_t> out_;
    HuffmanCode main_, distance_, lowDistance_, repeat_;
    std::array<std::uint8_t, kTableCodes> oldLengths_{};
    std::array<std::uint32_t, 4> oldDistances_{};
    std::uint32_t lastLength_ = 0, lastDistance_ = 0;
    unsigned previousLowDistance_ = 0, lowDistanceRepeats_ = 0;
};

}  // namespace

std::optional<std::vector<std::uint8_t>> UnpackRarLz(std::span<const std::uint8_t> packed, std::size_t unpackedSize) {
    return LzUnpacker(packed, unpackedSize).Run();
}

}  // namespace tundrel
