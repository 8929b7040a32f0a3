#include "hpgl_recogniser.h"

#include "hpgl_syntax.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {
// Commands a plot opens with: initialisation, set-up, a first pen or move, a comment.
constexpr const char kOpeners[] = "BP CA CO CS DF DI DT IN IP IW LA LT NP OP PA PC PD PG PM PS PU PW RO SC SD SP WU";

using MnemonicSet = std::array<bool, 26 * 26>;

constexpr MnemonicSet makeSet(std::string_view list) {
    MnemonicSet set{};
    for (size_t i = 0; i + 1 < list.size(); i += 3) set[(list[i] - 'A') * 26 + (list[i + 1] - 'A')] = true;
    return set;
}
constexpr MnemonicSet kOpening = makeSet(kOpeners);

constexpr uint8_t ESC = 0x1B, ETX = 0x03;
// How far a label, comment or encoded polyline may run before the data is judged not a plot.
constexpr size_t kMaxText = 4096;
// Commands read before the data counts as a plot, and the fewest that do when the data ends first.
// Parameterless ones may come back to back (INROIPIW;): reading goes on, up to a limit, until a
// separator or a number shows the data to be commands rather than words.
constexpr int kEnoughCommands = 3, kFewestCommands = 2, kMostCommands = 32;

bool upper(uint8_t c) { return c >= 'A' && c <= 'Z'; }
bool lower(uint8_t c) { return c >= 'a' && c <= 'z'; }
bool digit(uint8_t c) { return c >= '0' && c <= '9'; }
bool blank(uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool opening(const HpglMnemonicInfo& c) { return kOpening[(c.mnemonic[0] - 'A') * 26 + (c.mnemonic[1] - 'A')]; }

class Reader {
public:
    Reader(const uint8_t* data, size_t size) : d_(data), n_(size) {}
    bool Run();

private:
    bool parameters(const HpglMnemonicInfo& command);
    void separators();

    const uint8_t* d_;
    size_t n_, p_ = 0;
    uint8_t terminator_ = kHpglDefaultTerminator;
    int semicolons_ = 0, numbers_ = 0;
};

// Between commands: ';', white space, and the stray ETX or NUL some drivers leave.
void Reader::separators() {
    while (p_ < n_ && (d_[p_] == ';' || blank(d_[p_]) || d_[p_] == ETX || d_[p_] == 0)) {
        if (d_[p_] == ';') ++semicolons_;
        ++p_;
    }
}

bool Reader::parameters(const HpglMnemonicInfo& command) {
    // Labels, comments and encoded polylines must end within the limit.
    size_t from = p_, limit = n_ - p_ < kMaxText ? n_ : p_ + kMaxText;
    HpglExtent e = HpglCommandExtent(command, d_, limit, from, terminator_);
    p_ = e.end;
    terminator_ = HpglLabelTerminatorAfter(command.mnemonic, d_ + from, e.end - from, terminator_);
    bool numeric = command.operands == HpglOperands::Numbers || command.operands == HpglOperands::NumbersAndText;
    if (numeric) numbers_ += std::any_of(d_ + from, d_ + e.end, digit);
    if (e.cut)
        return limit == n_ && command.operands != HpglOperands::Label && command.operands != HpglOperands::Encoded;
    if (e.end > from && d_[e.end - 1] == ';') {
        ++semicolons_;
        return true;
    }
    // A command not closed by its ';' ends at the data's end or where the next begins.
    if (!numeric || p_ >= n_) return true;
    uint8_t c = d_[p_];
    return blank(c) || upper(c) || lower(c) || c == ESC || c == ETX || c == 0;
}

bool Reader::Run() {
    int commands = 0;
    bool lowerCase = false;
    for (;;) {
        separators();
        if (p_ >= n_) break;
        if (n_ - p_ < 2) return false;
        uint8_t a = d_[p_], b = d_[p_ + 1];
        // Mnemonics are two letters of one case, and one case throughout the plot.
        bool isUpper = upper(a) && upper(b), isLower = lower(a) && lower(b);
        if (!isUpper && !isLower) break;
        if (commands == 0) lowerCase = isLower;
        if (isLower != lowerCase) break;
        const HpglMnemonicInfo* command = LookUpHpglMnemonic(a, b);
        if (!command || (commands == 0 && !opening(*command))) break;
        p_ += 2;
        if (!parameters(*command)) break;
        if (++commands >= kEnoughCommands && (semicolons_ > 0 || numbers_ > 0 || commands >= kMostCommands)) break;
    }
    if (semicolons_ == 0 && numbers_ == 0) return false;
    return commands >= kEnoughCommands || (commands >= kFewestCommands && p_ >= n_);
}
}  // namespace

bool BeginsHpglPlot(const uint8_t* data, size_t size) { return Reader(data, size).Run(); }
