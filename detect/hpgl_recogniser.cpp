#include "hpgl_recogniser.h"

#include <array>
#include <cstring>
#include <string_view>

namespace {
// HP-GL/2 with its RTL and palette extensions, and the commands of classic
// HP-GL plotters (7475A, 7550A, DraftMaster) that HP-GL/2 dropped.
constexpr const char kMnemonics[] =
    "AA AC AD AF AH AP AR AS AT BF BL BP BR BZ CA CC CF CI CM CO CP CR CS CT CV DC DF DI DL DP DR DS DT DV "
    "EA EC EP ER ES EW FI FN FP FR FS FT GC GM IM IN IP IR IV IW KY LA LB LM LO LT MC MG MT NP NR "
    "OA OC OD OE OF OG OH OI OK OL OO OP OS OT PA PB PC PD PE PG PM PP PR PS PT PU PW QL RA RF RO RP RR RT "
    "SA SB SC SD SG SI SL SM SP SR SS ST SV TD TL TR UC UF UL VA VN VS WD WG WU XT YT";

// Commands a plot opens with: initialisation, set-up, a first pen or move, a comment.
constexpr const char kOpeners[] = "BP CA CO CS DF DI DT IN IP IW LA LT NP OP PA PC PD PG PM PS PU PW RO SC SD SP WU";

using MnemonicSet = std::array<bool, 26 * 26>;

constexpr MnemonicSet makeSet(std::string_view list) {
    MnemonicSet set{};
    for (size_t i = 0; i + 1 < list.size(); i += 3) set[(list[i] - 'A') * 26 + (list[i + 1] - 'A')] = true;
    return set;
}
constexpr MnemonicSet kKnown = makeSet(kMnemonics), kOpening = makeSet(kOpeners);

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
bool numberByte(uint8_t c) { return digit(c) || c == '+' || c == '-' || c == '.' || c == ',' || c == ' ' || c == '\t'; }

class Reader {
public:
    Reader(const uint8_t* data, size_t size) : d_(data), n_(size) {}
    bool Run();

private:
    // The byte after a run of text: false when it does not come within the limit.
    bool skipTo(uint8_t end) {
        size_t limit = n_ - p_ < kMaxText ? n_ - p_ : kMaxText;
        const void* at = std::memchr(d_ + p_, end, limit);
        if (!at) return false;
        p_ = static_cast<size_t>(static_cast<const uint8_t*>(at) - d_) + 1;
        return true;
    }
    bool parameters(const char* m);
    void separators();

    const uint8_t* d_;
    size_t n_, p_ = 0;
    uint8_t terminator_ = ETX;
    int semicolons_ = 0, numbers_ = 0;
};

// Between commands: ';', white space, and the stray ETX or NUL some drivers leave.
void Reader::separators() {
    while (p_ < n_ && (d_[p_] == ';' || blank(d_[p_]) || d_[p_] == ETX || d_[p_] == 0)) {
        if (d_[p_] == ';') ++semicolons_;
        ++p_;
    }
}

bool Reader::parameters(const char* m) {
    auto is = [m](const char* name) { return m[0] == name[0] && m[1] == name[1]; };
    if (is("LB") || is("WD") || is("BL")) return skipTo(terminator_);
    if (is("PE")) return skipTo(';');
    if (is("DT") || is("SM")) {
        // One character, any at all; DT; and SM; take none, and DT; brings back ETX.
        bool given = p_ < n_ && d_[p_] != ';';
        if (is("DT")) terminator_ = given ? d_[p_] : ETX;
        p_ += given;
        return true;
    }
    bool number = false;
    while (p_ < n_) {
        uint8_t c = d_[p_];
        if (c == '"') {  // CO and BP carry quoted text
            ++p_;
            if (!skipTo('"')) return false;
            continue;
        }
        if (!numberByte(c)) break;
        number |= digit(c);
        ++p_;
    }
    numbers_ += number;
    // A command ends at a separator, at the data's end, or where the next begins.
    return p_ >= n_ || d_[p_] == ';' || blank(d_[p_]) || upper(d_[p_]) || lower(d_[p_]) || d_[p_] == ESC ||
        d_[p_] == ETX || d_[p_] == 0;
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
        const char m[2] = {static_cast<char>(isLower ? a - 32 : a), static_cast<char>(isLower ? b - 32 : b)};
        size_t index = static_cast<size_t>(m[0] - 'A') * 26 + static_cast<size_t>(m[1] - 'A');
        if (!kKnown[index] || (commands == 0 && !kOpening[index])) break;
        p_ += 2;
        if (!parameters(m)) break;
        if (++commands >= kEnoughCommands && (semicolons_ > 0 || numbers_ > 0 || commands >= kMostCommands)) break;
    }
    if (semicolons_ == 0 && numbers_ == 0) return false;
    return commands >= kEnoughCommands || (commands >= kFewestCommands && p_ >= n_);
}
}  // namespace

bool BeginsHpglPlot(const uint8_t* data, size_t size) { return Reader(data, size).Run(); }
