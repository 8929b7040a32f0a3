#!/usr/bin/env python3
# Writes hpgl/hpgl_stroke_font_data.inc: the printable ASCII characters of the Hershey
# simplex font (Debian's hershey-fonts-data, futural.jhf) as stroke tables, so the plotter's
# stick font needs no library and no file at run time. Run from the project root.
#
# A .jhf glyph is a 5-column number, a 3-column count of coordinate pairs and the pairs, each
# coordinate a character whose offset from 'R' is its value, wrapped over lines; the first
# pair is the left and right edges, " R" lifts the pen. Here x counts from the left edge and
# y up from the baseline (9 below the font's centre line), as the stroke font wants them.
import sys

source = sys.argv[1] if len(sys.argv) > 1 else "/usr/share/hershey-fonts/futural.jhf"
text = open(source, encoding="ascii").read().split("\n")
glyphs, i = [], 0
while i < len(text):
    line = text[i]
    i += 1
    if not line.strip():
        continue
    count = int(line[5:8])
    data = line[8:]
    while len(data) < 2 * count:
        data += text[i]
        i += 1
    pairs = [(data[k], data[k + 1]) for k in range(0, 2 * count, 2)]
    left, right = ord(pairs[0][0]) - 82, ord(pairs[0][1]) - 82
    strokes, run = [], []
    for a, b in pairs[1:]:
        if (a, b) == (" ", "R"):
            strokes.append(run)
            run = []
        else:
            run.append((ord(a) - 82 - left, 9 - (ord(b) - 82)))
    if run:
        strokes.append(run)
    glyphs.append((right - left, [s for s in strokes if s]))
if len(glyphs) < 95:
    sys.exit("make_stroke_font.py: %s has %d glyphs, not the 95 of printable ASCII" % (source, len(glyphs)))

out = ["// Written by scripts/make_stroke_font.py from the Hershey simplex font (futural.jhf): do not edit.",
       "// Characters 32 to 126: advance, strokes, and the offset of each into the tables below."]
points, lengths, entries = [], [], []
for width, strokes in glyphs[:95]:
    entries.append("{%d, %d, %d, %d}" % (width, len(strokes), len(lengths), len(points) // 2))
    for s in strokes:
        lengths.append(len(s))
        for x, y in s:
            points += [x, y]
def rows(values, per):
    return ["    " + ", ".join(str(v) for v in values[k:k + per]) + "," for k in range(0, len(values), per)]
out.append("constexpr StrokeFontEntry kStrokeFontEntries[95] = {")
out += rows(entries, 6)
out.append("};")
out.append("constexpr uint16_t kStrokeFontLengths[%d] = {" % len(lengths))
out += rows(lengths, 24)
out.append("};")
out.append("constexpr int16_t kStrokeFontPoints[%d] = {" % len(points))
out += rows(points, 24)
out.append("};")
open("hpgl/hpgl_stroke_font_data.inc", "w").write("\n".join(out) + "\n")
