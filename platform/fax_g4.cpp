#include "fax_g4.h"

#include <cstring>
#include <vector>

namespace gdi {
namespace {
struct Code {
    uint16_t bits;
    uint8_t length;
};

// Run-length codes of T.4: terminating codes for runs of 0 to 63, make-up codes for multiples
// of 64 up to 1728, and the make-up codes both colours share from 1792 to 2560.
constexpr Code kWhiteTerminating[64] = {
    {0b00110101, 8}, {0b000111, 6},   {0b0111, 4},     {0b1000, 4},     {0b1011, 4},     {0b1100, 4},
    {0b1110, 4},     {0b1111, 4},     {0b10011, 5},    {0b10100, 5},    {0b00111, 5},    {0b01000, 5},
    {0b001000, 6},   {0b000011, 6},   {0b110100, 6},   {0b110101, 6},   {0b101010, 6},   {0b101011, 6},
    {0b0100111, 7},  {0b0001100, 7},  {0b0001000, 7},  {0b0010111, 7},  {0b0000011, 7},  {0b0000100, 7},
    {0b0101000, 7},  {0b0101011, 7},  {0b0010011, 7},  {0b0100100, 7},  {0b0011000, 7},  {0b00000010, 8},
    {0b00000011, 8}, {0b00011010, 8}, {0b00011011, 8}, {0b00010010, 8}, {0b00010011, 8}, {0b00010100, 8},
    {0b00010101, 8}, {0b00010110, 8}, {0b00010111, 8}, {0b00101000, 8}, {0b00101001, 8}, {0b00101010, 8},
    {0b00101011, 8}, {0b00101100, 8}, {0b00101101, 8}, {0b00000100, 8}, {0b00000101, 8}, {0b00001010, 8},
    {0b00001011, 8}, {0b01010010, 8}, {0b01010011, 8}, {0b01010100, 8}, {0b01010101, 8}, {0b00100100, 8},
    {0b00100101, 8}, {0b01011000, 8}, {0b01011001, 8}, {0b01011010, 8}, {0b01011011, 8}, {0b01001010, 8},
    {0b01001011, 8}, {0b00110010, 8}, {0b00110011, 8}, {0b00110100, 8}};
constexpr Code kWhiteMakeUp[27] = {
    {0b11011, 5},     {0b10010, 5},     {0b010111, 6},    {0b0110111, 7},   {0b00110110, 8},  {0b00110111, 8},
    {0b01100100, 8},  {0b01100101, 8},  {0b01101000, 8},  {0b01100111, 8},  {0b011001100, 9}, {0b011001101, 9},
    {0b011010010, 9}, {0b011010011, 9}, {0b011010100, 9}, {0b011010101, 9}, {0b011010110, 9}, {0b011010111, 9},
    {0b011011000, 9}, {0b011011001, 9}, {0b011011010, 9}, {0b011011011, 9}, {0b010011000, 9}, {0b010011001, 9},
    {0b010011010, 9}, {0b011000, 6},    {0b010011011, 9}};
constexpr Code kBlackTerminating[64] = {{0b0000110111, 10},
                                        {0b010, 3},
                                        {0b11, 2},
                                        {0b10, 2},
                                        {0b011, 3},
                                        {0b0011, 4},
                                        {0b0010, 4},
                                        {0b00011, 5},
                                        {0b000101, 6},
                                        {0b000100, 6},
                                        {0b0000100, 7},
                                        {0b0000101, 7},
                                        {0b0000111, 7},
                                        {0b00000100, 8},
                                        {0b00000111, 8},
                                        {0b000011000, 9},
                                        {0b0000010111, 10},
                                        {0b0000011000, 10},
                                        {0b0000001000, 10},
                                        {0b00001100111, 11},
                                        {0b00001101000, 11},
                                        {0b00001101100, 11},
                                        {0b00000110111, 11},
                                        {0b00000101000, 11},
                                        {0b00000010111, 11},
                                        {0b00000011000, 11},
                                        {0b000011001010, 12},
                                        {0b000011001011, 12},
                                        {0b000011001100, 12},
                                        {0b000011001101, 12},
                                        {0b000001101000, 12},
                                        {0b000001101001, 12},
                                        {0b000001101010, 12},
                                        {0b000001101011, 12},
                                        {0b000011010010, 12},
                                        {0b000011010011, 12},
                                        {0b000011010100, 12},
                                        {0b000011010101, 12},
                                        {0b000011010110, 12},
                                        {0b000011010111, 12},
                                        {0b000001101100, 12},
                                        {0b000001101101, 12},
                                        {0b000011011010, 12},
                                        {0b000011011011, 12},
                                        {0b000001010100, 12},
                                        {0b000001010101, 12},
                                        {0b000001010110, 12},
                                        {0b000001010111, 12},
                                        {0b000001100100, 12},
                                        {0b000001100101, 12},
                                        {0b000001010010, 12},
                                        {0b000001010011, 12},
                                        {0b000000100100, 12},
                                        {0b000000110111, 12},
                                        {0b000000111000, 12},
                                        {0b000000100111, 12},
                                        {0b000000101000, 12},
                                        {0b000001011000, 12},
                                        {0b000001011001, 12},
                                        {0b000000101011, 12},
                                        {0b000000101100, 12},
                                        {0b000001011010, 12},
                                        {0b000001100110, 12},
                                        {0b000001100111, 12}};
constexpr Code kBlackMakeUp[27] = {
    {0b0000001111, 10},    {0b000011001000, 12},  {0b000011001001, 12},  {0b000001011011, 12},  {0b000000110011, 12},
    {0b000000110100, 12},  {0b000000110101, 12},  {0b0000001101100, 13}, {0b0000001101101, 13}, {0b0000001001010, 13},
    {0b0000001001011, 13}, {0b0000001001100, 13}, {0b0000001001101, 13}, {0b0000001110010, 13}, {0b0000001110011, 13},
    {0b0000001110100, 13}, {0b0000001110101, 13}, {0b0000001110110, 13}, {0b0000001110111, 13}, {0b0000001010010, 13},
    {0b0000001010011, 13}, {0b0000001010100, 13}, {0b0000001010101, 13}, {0b0000001011010, 13}, {0b0000001011011, 13},
    {0b0000001100100, 13}, {0b0000001100101, 13}};
constexpr Code kSharedMakeUp[13] = {
    {0b00000001000, 11},  {0b00000001100, 11},  {0b00000001101, 11},  {0b000000010010, 12}, {0b000000010011, 12},
    {0b000000010100, 12}, {0b000000010101, 12}, {0b000000010110, 12}, {0b000000010111, 12}, {0b000000011100, 12},
    {0b000000011101, 12}, {0b000000011110, 12}, {0b000000011111, 12}};
// Modes of the two-dimensional coding; vertical ones by a1's offset from b1, -3 to 3.
constexpr Code kPass{0b0001, 4}, kHorizontal{0b001, 3};
constexpr Code kVertical[7] = {{0b0000010, 7}, {0b000010, 6}, {0b010, 3},    {0b1, 1},
                               {0b011, 3},     {0b000011, 6}, {0b0000011, 7}};
constexpr Code kEndOfLine{0b000000000001, 12};

class BitWriter {
public:
    explicit BitWriter(std::string& out) : out_(out) {}
    void put(Code c) {
        acc_ = (acc_ << c.length) | c.bits;
        count_ += c.length;
        while (count_ >= 8) {
            count_ -= 8;
            out_.push_back(static_cast<char>(acc_ >> count_));
        }
    }
    void run(int length, bool black) {
        const Code* makeUp = black ? kBlackMakeUp : kWhiteMakeUp;
        while (length >= 2560) {
            put(kSharedMakeUp[12]);
            length -= 2560;
        }
        if (length >= 64) {
            int sixtyFours = length / 64;
            put(sixtyFours >= 28 ? kSharedMakeUp[sixtyFours - 28] : makeUp[sixtyFours - 1]);
            length %= 64;
        }
        put((black ? kBlackTerminating : kWhiteTerminating)[length]);
    }
    void finish() {
        if (count_ > 0) out_.push_back(static_cast<char>(acc_ << (8 - count_)));
        count_ = 0;
    }

private:
    std::string& out_;
    uint64_t acc_ = 0;
    int count_ = 0;
};

// The pixel at bit k of a native word: the low bit holds the first on little-endian machines.
uint32_t firstPixelLow(uint32_t word) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    word = ((word >> 1) & 0x55555555u) | ((word & 0x55555555u) << 1);
    word = ((word >> 2) & 0x33333333u) | ((word & 0x33333333u) << 2);
    word = ((word >> 4) & 0x0F0F0F0Fu) | ((word & 0x0F0F0F0Fu) << 4);
    word = __builtin_bswap32(word);
#endif
    return word;
}

// The changing elements of a row: the columns whose pixel differs from the one before it
// (an imaginary white pixel before the first), then `width` three times as the end.
void changes(const uint8_t* row, int width, std::vector<int>& out) {
    out.clear();
    uint32_t before = 0;  // the last pixel of the previous word, in bit 0
    for (int x0 = 0; x0 < width; x0 += 32) {
        uint32_t word;
        std::memcpy(&word, row + x0 / 8, 4);
        word = firstPixelLow(word);
        if (width - x0 < 32) word &= (1u << (width - x0)) - 1;
        uint32_t differs = word ^ ((word << 1) | before);
        if (width - x0 < 32) differs &= (1u << (width - x0)) - 1;
        before = word >> 31;
        while (differs) {
            out.push_back(x0 + __builtin_ctz(differs));
            differs &= differs - 1;
        }
    }
    out.insert(out.end(), 3, width);
}
}  // namespace

std::string EncodeFaxG4(const uint8_t* rows, size_t stride, int width, int height) {
    std::string out;
    if (!rows || width <= 0 || height <= 0 || stride * 8 < static_cast<size_t>(width) || stride % 4) return out;
    BitWriter bits(out);
    std::vector<int> reference(3, width), coding;
    reference.reserve(static_cast<size_t>(width) + 4);
    coding.reserve(static_cast<size_t>(width) + 4);
    for (int y = 0; y < height; ++y) {
        changes(rows + static_cast<size_t>(y) * stride, width, coding);
        int a0 = -1;
        size_t a1i = 0, right = 0;  // a1 in the coding line; the first change right of a0 above
        bool black = false;         // the colour of a0
        while (a0 < width) {
            // b1: the first change right of a0 on the reference line to the colour opposite
            // a0's (even entries change to black, odd ones to white); b2 the next.
            while (reference[right] <= a0 && reference[right] < width) ++right;
            size_t b1i = right + ((right & 1) != static_cast<size_t>(black) && reference[right] < width);
            int b1 = reference[b1i], b2 = reference[b1i + 1];
            while (coding[a1i] <= a0 && coding[a1i] < width) ++a1i;
            int a1 = coding[a1i];
            if (b2 < a1) {
                bits.put(kPass);
                a0 = b2;
            } else if (a1 - b1 >= -3 && a1 - b1 <= 3) {
                bits.put(kVertical[a1 - b1 + 3]);
                a0 = a1;
                black = !black;
            } else {
                int a2 = coding[a1i + 1];
                bits.put(kHorizontal);
                bits.run(a1 - (a0 < 0 ? 0 : a0), black);
                bits.run(a2 - a1, !black);
                a0 = a2;
            }
        }
        reference.swap(coding);
    }
    bits.put(kEndOfLine);
    bits.put(kEndOfLine);
    bits.finish();
    return out;
}
}  // namespace gdi
