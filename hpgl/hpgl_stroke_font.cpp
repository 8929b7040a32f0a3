#include "hpgl_stroke_font.h"

// The library's header declares C functions without saying so.
extern "C" {
#include <hersheyfont.h>
}

#include <memory>
#include <mutex>
#include <vector>

namespace {
// One character's strokes, copied out of the Hershey font once.
struct LoadedGlyph {
    int32_t width = 0;
    std::vector<int16_t> points;
    std::vector<uint16_t> lengths;
};

struct StrokeFont {
    bool loaded = false;
    LoadedGlyph glyphs[128];
};

const StrokeFont& font() {
    static StrokeFont f;
    static std::once_flag once;
    std::call_once(once, [] {
        hershey_font* hf = hershey_font_load("futural");
        if (!hf) return;
        for (int c = 32; c < 127; ++c) {
            hershey_glyph* g = hershey_font_glyph(hf, static_cast<unsigned char>(c));
            if (!g) continue;
            LoadedGlyph& out = f.glyphs[c];
            out.width = g->width;
            for (hershey_path* p = g->paths; p; p = p->next) {
                out.lengths.push_back(p->nverts);
                for (unsigned i = 0; i < p->nverts; ++i) {
                    out.points.push_back(p->verts[i].x);
                    out.points.push_back(p->verts[i].y);
                }
            }
        }
        hershey_font_free(hf);
        f.loaded = true;
    });
    return f;
}

// The ASCII character that stands for a Latin-1 letter or a common mark.
char16_t plainForm(char16_t c) {
    // U+00C0 to U+00FF: the base letters of the accented ones; 0 where there is none.
    static const char kLatin1[] = "AAAAAAACEEEEIIIIDNOOOOOxOUUUUY\0saaaaaaaceeeeiiiidnooooo/ouuuuy\0y";
    if (c < 127) return c;
    if (c >= 0xC0 && c <= 0xFF) return static_cast<unsigned char>(kLatin1[c - 0xC0]);
    switch (c) {
    case 0xA0: return u' ';
    case 0xAD:
    case 0x2010:
    case 0x2011:
    case 0x2012:
    case 0x2013:
    case 0x2014:
    case 0x2212: return u'-';
    case 0xB7:
    case 0x2022: return u'.';
    case 0x2018:
    case 0x2019:
    case 0xB4: return u'\'';
    case 0x201C:
    case 0x201D: return u'"';
    case 0xD7: return u'x';
    default: return 0;
    }
}
}  // namespace

bool FindStrokeGlyph(char16_t c, StrokeGlyph& glyph) {
    char16_t plain = plainForm(c);
    const StrokeFont& f = font();
    if (!f.loaded || plain < 32 || plain > 126) return false;
    const LoadedGlyph& g = f.glyphs[plain];
    glyph.width = g.width;
    glyph.points = g.points.data();
    glyph.lengths = g.lengths.data();
    glyph.strokes = static_cast<uint16_t>(g.lengths.size());
    return true;
}
