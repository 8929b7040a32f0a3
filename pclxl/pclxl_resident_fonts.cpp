#include "pclxl_resident_fonts.h"

#include <cctype>
#include <string_view>

namespace {
struct Family {
    std::string_view prefix;  // of the name in lowercase letters and digits, "ITC" left off
    const char* face;
    BYTE pitchAndFamily;
};
constexpr BYTE kSerif = VARIABLE_PITCH | FF_ROMAN, kSans = VARIABLE_PITCH | FF_SWISS, kFixed = FIXED_PITCH | FF_MODERN,
               kScript = VARIABLE_PITCH | FF_SCRIPT, kSymbols = VARIABLE_PITCH | FF_DECORATIVE;

// The PCL XL printers' font list (the LaserJet 80 and their PostScript-named twins), and the
// misspellings drivers write, by family.
constexpr Family kFamilies[] = {
    {"timesnew", "Times New Roman", kSerif},
    {"timenew", "Times New Roman", kSerif},
    {"times", "Times New Roman", kSerif},
    {"tmsrmn", "Times New Roman", kSerif},
    {"cgtimes", "Times New Roman", kSerif},
    {"courier", "Courier", kFixed},
    {"lettergothic", "Letter Gothic", kFixed},
    {"lineprinter", "Line Printer", kFixed},
    {"arial", "Arial", kSans},
    {"helvetica", "Arial", kSans},
    {"univers", "Arial", kSans},
    {"cgomega", "Arial", kSans},
    {"albertus", "Arial", kSans},
    {"antiqueolive", "Arial", kSans},
    {"avantgard", "Century Gothic", kSans},
    {"bookman", "Bookman Old Style", kSerif},
    {"newcent", "Century Schoolbook", kSerif},
    {"centuryschl", "Century Schoolbook", kSerif},
    {"centuryschoolbook", "Century Schoolbook", kSerif},
    {"clarendon", "Century Schoolbook", kSerif},
    {"palatino", "Palatino Linotype", kSerif},
    {"garamond", "Garamond", kSerif},
    {"zapfchancery", "Monotype Corsiva", kScript},
    {"coronet", "Monotype Corsiva", kScript},
    {"marigold", "Monotype Corsiva", kScript},
    {"symbol", "Symbol", kSymbols},
    {"wingdings", "Wingdings", kSymbols},
    {"zapfdingbats", "Zapf Dingbats", kSymbols},
};

enum class Style { Italic, Bold, Demi, Light, Plain };
struct Ending {
    std::string_view text;
    Style style;
};
// Endings that name a weight, a slant or a width, longest first where one ends another.
constexpr Ending kEndings[] = {
    {"italic", Style::Italic}, {"oblique", Style::Italic}, {"kursiv", Style::Italic}, {"krsv", Style::Italic},
    {"obl", Style::Italic},    {"it", Style::Italic},      {"ob", Style::Italic},     {"bold", Style::Bold},
    {"xbd", Style::Bold},      {"hlb", Style::Bold},       {"black", Style::Bold},    {"heavy", Style::Bold},
    {"bd", Style::Bold},       {"demi", Style::Demi},      {"dm", Style::Demi},       {"light", Style::Light},
    {"lt", Style::Light},      {"medium", Style::Plain},   {"md", Style::Plain},      {"book", Style::Plain},
    {"bk", Style::Plain},      {"roman", Style::Plain},    {"rmn", Style::Plain},     {"regular", Style::Plain},
    {"cond", Style::Plain},    {"cd", Style::Plain},       {"narrow", Style::Plain},  {"nr", Style::Plain},
};
constexpr size_t kShortestFamily = 4;
}  // namespace

PclXlResidentFace XlResidentFace(const std::string& name) {
    PclXlResidentFace r;
    std::string key;
    for (char c : name)
        if (std::isalnum(static_cast<unsigned char>(c)))
            key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (key.rfind("itc", 0) == 0) key.erase(0, 3);
    // Read the style from the end, ending by ending, while a family name's worth remains.
    for (bool more = true; more;) {
        more = false;
        for (const Ending& e : kEndings) {
            if (key.size() < e.text.size() + kShortestFamily || !std::string_view(key).ends_with(e.text)) continue;
            key.resize(key.size() - e.text.size());
            if (e.style == Style::Italic) r.italic = true;
            if (e.style == Style::Bold) r.weight = FW_BOLD;
            if (e.style == Style::Demi && r.weight == FW_NORMAL) r.weight = FW_SEMIBOLD;
            if (e.style == Style::Light && r.weight == FW_NORMAL) r.weight = FW_LIGHT;
            more = true;
            break;
        }
    }
    for (const Family& f : kFamilies)
        if (std::string_view(key).starts_with(f.prefix)) {
            r.face = f.face;
            r.pitchAndFamily = f.pitchAndFamily;
            return r;
        }
    r.face = name;
    return r;
}
