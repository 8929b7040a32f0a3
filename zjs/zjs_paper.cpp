#include "zjs_paper.h"

namespace {
struct ZjsPaper {
    int32_t code, width, height;  // 1/80 mm
};

// Sizes are positive: adding a half and truncating rounds them.
constexpr int32_t inches(double v) {
    return static_cast<int32_t>(v * 2032 + 0.5);  // NOLINT(bugprone-incorrect-roundings)
}
constexpr int32_t mm(int32_t v) { return v * 80; }

const ZjsPaper ZjsPaperTable[] = {
    {1, inches(8.5), inches(11)},        // letter
    {2, inches(8.5), inches(11)},        // letter small
    {3, inches(11), inches(17)},         // tabloid
    {4, inches(17), inches(11)},         // ledger
    {5, inches(8.5), inches(14)},        // legal
    {6, inches(5.5), inches(8.5)},       // statement
    {7, inches(7.25), inches(10.5)},     // executive
    {8, mm(297), mm(420)},               // A3
    {9, mm(210), mm(297)},               // A4
    {10, mm(210), mm(297)},              // A4 small
    {11, mm(148), mm(210)},              // A5
    {12, mm(257), mm(364)},              // B4 (JIS)
    {13, mm(182), mm(257)},              // B5 (JIS)
    {14, inches(8.5), inches(13)},       // folio
    {15, mm(215), mm(275)},              // quarto
    {19, inches(3.875), inches(8.875)},  // envelope #9
    {20, inches(4.125), inches(9.5)},    // envelope #10
    {27, mm(110), mm(220)},              // envelope DL
    {28, mm(162), mm(229)},              // envelope C5
    {31, mm(114), mm(162)},              // envelope C6
    {34, mm(176), mm(250)},              // envelope B5
    {37, inches(3.875), inches(7.5)},    // envelope Monarch
    {43, mm(100), mm(148)},              // postcard
    {70, mm(105), mm(148)},              // A6
    {257, mm(197), mm(273)},             // 16K
    {258, inches(8.5), inches(12)},      // German legal fanfold
    {259, mm(176), mm(250)},             // B5 (ISO)
    {260, mm(100), mm(148)},             // postcard
    {261, mm(200), mm(148)},             // double postcard
    {262, mm(105), mm(148)},             // A6
    {263, mm(184), mm(260)},             // 16K
    {264, mm(195), mm(270)},             // 16K
};
}  // namespace

void ZjsPaperSize(int32_t paperCode, int32_t& width, int32_t& height) {
    width = mm(210);
    height = mm(297);
    for (const ZjsPaper& p : ZjsPaperTable)
        if (p.code == paperCode) width = p.width, height = p.height;
}
