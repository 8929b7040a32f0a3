// Font resolution and metrics.
#include "fonts.h"

#include <fontconfig/fontconfig.h>
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <tuple>
#include <vector>
#include <string>

namespace gdi {
namespace {
struct Key {
    std::string family;
    int weight;
    bool italic;
    bool operator<(const Key& o) const {
        return std::tie(family, weight, italic) < std::tie(o.family, o.weight, o.italic);
    }
};

// FreeType faces must not be used by two threads at once: each thread draws with faces of its
// own, from a FreeType library of its own. A thread that ends hands its cache back for the
// next thread to use, so that faces are loaded once per thread drawing at the same time.
struct FontCache {
    FT_Library library = nullptr;
    std::map<Key, FontFace> faces;
};

struct FontCacheLease {
    FontCache* cache;
    static std::mutex& poolMutex() {
        static std::mutex m;
        return m;
    }
    static std::vector<FontCache*>& pool() {
        static auto* free = new std::vector<FontCache*>;  // kept for the life of the process
        return *free;
    }
    FontCacheLease() {
        std::lock_guard<std::mutex> lock(poolMutex());
        if (pool().empty()) {
            cache = new FontCache;
            FT_Init_FreeType(&cache->library);
        } else {
            cache = pool().back();
            pool().pop_back();
        }
    }
    ~FontCacheLease() {
        std::lock_guard<std::mutex> lock(poolMutex());
        pool().push_back(cache);
    }
};

FontCache& fontCache() {
    thread_local FontCacheLease lease;
    return *lease.cache;
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return s;
}

// Windows and printer face names and the installed families that match their metrics.
std::string familyFor(const LOGFONTW& lf) {
    std::string name;
    for (int i = 0; i < LF_FACESIZE && lf.lfFaceName[i]; ++i)
        name += lf.lfFaceName[i] < 128 ? static_cast<char>(lf.lfFaceName[i]) : '?';
    std::string n = lower(name);
    static const std::pair<const char*, const char*> aliases[] = {
        {"arial", "Liberation Sans"},         {"helvetica", "Liberation Sans"},
        {"univers", "Liberation Sans"},       {"cg omega", "Liberation Sans"},
        {"albertus", "Liberation Sans"},      {"antique olive", "Liberation Sans"},
        {"ms sans serif", "Liberation Sans"}, {"microsoft sans serif", "Liberation Sans"},
        {"tahoma", "Liberation Sans"},        {"verdana", "Liberation Sans"},
        {"segoe ui", "Liberation Sans"},      {"calibri", "Liberation Sans"},
        {"system", "Liberation Sans"},        {"times new roman", "Liberation Serif"},
        {"times", "Liberation Serif"},        {"cg times", "Liberation Serif"},
        {"garamond", "Liberation Serif"},     {"georgia", "Liberation Serif"},
        {"cambria", "Liberation Serif"},      {"ms serif", "Liberation Serif"},
        {"courier new", "Liberation Mono"},   {"courier", "Nimbus Mono PS"},
        {"symbol", "Standard Symbols PS"},    {"wingdings", "DejaVu Sans"},
        {"letter gothic", "Liberation Mono"}, {"lucida console", "Liberation Mono"},
        {"consolas", "Liberation Mono"},      {"line printer", "Liberation Mono"},
        {"fixedsys", "Liberation Mono"},      {"terminal", "Liberation Mono"},
        {"century gothic", "URW Gothic"},     {"monotype corsiva", "Z003"},
        {"zapf dingbats", "D050000L"},
    };
    for (auto& a : aliases)
        if (n.rfind(a.first, 0) == 0) return a.second;
    if (!name.empty()) return name;
    // No face name: choose by pitch and family.
    int family = lf.lfPitchAndFamily & 0xF0, pitch = lf.lfPitchAndFamily & 3;
    if (pitch == FIXED_PITCH || family == FF_MODERN) return "Liberation Mono";
    if (family == FF_ROMAN) return "Liberation Serif";
    return "Liberation Sans";
}

// The average character width as Windows' core fonts state it: the mean of the lowercase
// letters and the space, weighted by how often each occurs in English text. The Liberation
// faces that stand in for them average every glyph instead, which makes them a third wider
// by this measure, and fonts sized by an average width (a non-zero lfWidth) too wide with it.
double weightedLowercaseWidth(FT_Face face) {
    static const int kWeights[26] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3,  6, 35, 20,
                                     56, 56, 17, 4,  49,  56, 71, 31, 10, 18, 3, 18, 2};
    auto advance = [face](char32_t c) -> double {
        FT_UInt g = FT_Get_Char_Index(face, c);
        FT_Fixed adv = 0;
        return g && FT_Get_Advance(face, g, FT_LOAD_NO_SCALE, &adv) == 0 ? static_cast<double>(adv) : -1;
    };
    double sum = advance(U' ');
    if (sum < 0) return 0;
    sum *= 166;
    for (int i = 0; i < 26; ++i) {
        double a = advance(U'a' + i);
        if (a < 0) return 0;
        sum += a * kWeights[i];
    }
    return sum / 1000;
}

// The file and face index fontconfig matches to a family, weight and slant. Its lazy set-up
// of the configuration is not safe for two threads at once: matches are made one at a time
// (once a face for each thread).
bool matchFile(const std::string& family, int weight, bool italic, std::string& file, int& index) {
    static std::mutex matching;
    std::lock_guard<std::mutex> lock(matching);
    FcPattern* pat = FcPatternCreate();
    FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pat, FC_WEIGHT, weight >= 600 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pat, &result);
    FcPatternDestroy(pat);
    if (!match) return false;
    FcChar8* name = nullptr;
    bool ok = FcPatternGetString(match, FC_FILE, 0, &name) == FcResultMatch;
    if (ok) file = reinterpret_cast<const char*>(name);
    index = 0;
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    FcPatternDestroy(match);
    return ok;
}

bool loadFace(const std::string& family, int weight, bool italic, FontFace& out) {
    std::string file;
    int index = 0;
    FT_Face face = nullptr;
    if (!matchFile(family, weight, italic, file, index) ||
        FT_New_Face(fontCache().library, file.c_str(), index, &face) != 0)
        return false;
    out.face = face;
    out.unitsPerEm = face->units_per_EM ? face->units_per_EM : 2048;
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->usWinAscent + os2->usWinDescent > 0) {
        out.ascent = os2->usWinAscent;
        out.descent = os2->usWinDescent;
        out.avgWidth = os2->xAvgCharWidth;
        out.strikePos = os2->yStrikeoutPosition;
        out.strikeThickness = os2->yStrikeoutSize;
        out.symbol = os2->usFirstCharIndex >= 0xF000;
    } else {
        out.ascent = face->ascender;
        out.descent = -face->descender;
        out.avgWidth = out.unitsPerEm / 2;
        out.strikePos = out.unitsPerEm * 0.26;
        out.strikeThickness = out.unitsPerEm * 0.05;
    }
    if (face->family_name && std::strncmp(face->family_name, "Liberation", 10) == 0)
        if (double w = weightedLowercaseWidth(face); w > 0) out.avgWidth = w;
    if (out.avgWidth <= 0) out.avgWidth = out.unitsPerEm / 2;
    out.maxWidth = face->max_advance_width;
    out.underlinePos = face->underline_position;
    out.underlineThickness = std::max<double>(face->underline_thickness, out.unitsPerEm / 40);
    out.fixedPitch = FT_IS_FIXED_WIDTH(face);
    out.cairo = cairo_ft_font_face_create_for_ft_face(face, 0);
    return true;
}
}  // namespace

const FontFace* ResolveFace(const LOGFONTW& lf) {
    std::map<Key, FontFace>& cache = fontCache().faces;
    Key key{familyFor(lf), lf.lfWeight >= 600 ? 700 : 400, lf.lfItalic != 0};
    auto it = cache.find(key);
    if (it != cache.end()) return it->second.face ? &it->second : nullptr;
    FontFace f;
    if (!loadFace(key.family, key.weight, key.italic, f)) loadFace("Liberation Sans", key.weight, key.italic, f);
    auto& slot = cache[key] = f;
    return slot.face ? &slot : nullptr;
}

const FontFace* FallbackFace(const LOGFONTW& lf, uint32_t ch, uint32_t& glyph) {
    // Faces with wide coverage of signs, symbols and scripts.
    for (const char* family : {"DejaVu Sans", "DejaVu Serif", "Standard Symbols PS"}) {
        LOGFONTW f = lf;
        size_t i = 0;
        for (; family[i] && i + 1 < LF_FACESIZE; ++i) f.lfFaceName[i] = static_cast<WCHAR>(family[i]);
        f.lfFaceName[i] = 0;
        const FontFace* face = ResolveFace(f);
        if (face && (glyph = FT_Get_Char_Index(face->face, ch)) != 0) return face;
    }
    return nullptr;
}

uint32_t SizedFont::glyph(uint32_t ch, bool glyphIndex) const {
    if (glyphIndex) return ch;
    FT_UInt g = FT_Get_Char_Index(face->face, ch);
    // Symbol fonts map their characters into the private use area.
    if (g == 0 && face->symbol && ch < 0x100) g = FT_Get_Char_Index(face->face, 0xF000 + ch);
    return g;
}

double SizedFont::advance(uint32_t ch, bool glyphIndex) const {
    FT_Fixed adv = 0;
    if (FT_Get_Advance(face->face, glyph(ch, glyphIndex), FT_LOAD_NO_SCALE, &adv) != 0) return 0;
    return adv / face->unitsPerEm * emWidth;
}

SizedFont SizeFont(const DC& dc) {
    SizedFont f;
    auto* font = LookUpAs<FontObj>(dc.st.font, Kind::Font);
    if (font) f.lf = font->lf;
    f.face = ResolveFace(f.lf);
    if (!f.face) return f;
    Matrix m = LogicalToDevice(dc);
    double sx = std::hypot(m.a, m.b), sy = std::hypot(m.c, m.d);
    if (sx == 0 || !std::isfinite(sx)) sx = 1;
    if (sy == 0 || !std::isfinite(sy)) sy = 1;
    double h = f.lf.lfHeight;
    if (h == 0) h = -12.0 * kScreenDpi / 72 / sy;  // 12 points on the device
    double cell = f.face->ascent + f.face->descent;
    // A positive height is the cell height, a negative one the em height.
    f.emHeight = h < 0 ? -h : h * f.face->unitsPerEm / (cell > 0 ? cell : f.face->unitsPerEm);
    if (f.lf.lfWidth != 0) {
        f.emWidth = std::fabs(static_cast<double>(f.lf.lfWidth)) * f.face->unitsPerEm / f.face->avgWidth;
    } else {
        // The compatible mode keeps glyphs the same size on the device in both directions; the
        // advanced mode lets the transform stretch them, as it stretches every figure.
        f.emWidth = AdvancedText(dc) ? f.emHeight : f.emHeight * sy / sx;
    }
    f.escapement = f.lf.lfEscapement / 10.0 * 3.14159265358979323846 / 180.0;
    return f;
}

}  // namespace gdi
