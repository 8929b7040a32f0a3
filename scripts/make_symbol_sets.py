#!/usr/bin/env python3
# Writes symbolsets/pcl_symbol_set_tables.inc: the PCL symbol sets the PCL5 text printer
# knows, each as 256 Unicode characters, from Python's code pages and hand-made
# tables (Symbol, Wingdings, Legal). Run from the project root.

import codecs
def dec(codec, lo=0x20, hi=0xFF):
    t=[0]*256
    for b in range(lo,hi+1):
        if b==0x7F: continue
        try: s=bytes([b]).decode(codec)
        except Exception: continue
        if len(s)==1 and not (0x80<=ord(s)<=0x9F): t[b]=ord(s)
    return t
pc_controls="\u263A\u263B\u2665\u2666\u2663\u2660\u2022\u25D8\u25CB\u25D9\u2642\u2640\u266A\u266B\u263C\u25BA\u25C4\u2195\u203C\u00B6\u00A7\u25AC\u21A8\u2191\u2193\u2192\u2190\u221F\u2194\u25B2\u25BC"
def pc(codec):
    t=dec(codec)
    for i,c in enumerate(pc_controls): t[i+1]=ord(c)
    t[0x7F]=0x2302
    return t
ascii_=[b if 0x20<=b<0x7F else 0 for b in range(256)]
legal=list(ascii_)
for b,u in {0x22:0x2033,0x27:0x2032,0x3C:0x2017,0x3E:0xA2,0x5C:0xAE,0x5E:0xA9,0x60:0xB0,0x7B:0xA7,0x7C:0xB6,0x7D:0x2020,0x7E:0x2122}.items(): legal[b]=u
sym=list(ascii_)
greekU="ΑΒΧΔΕΦΓΗΙϑΚΛΜΝΟΠΘΡΣΤΥςΩΞΨΖ"; greekL="αβχδεφγηιϕκλμνοπθρστυϖωξψζ"
for i,c in enumerate(greekU): sym[0x41+i]=ord(c)
for i,c in enumerate(greekL): sym[0x61+i]=ord(c)
for b,u in {0x22:0x2200,0x24:0x2203,0x27:0x220B,0x2A:0x2217,0x2D:0x2212,0x40:0x2245,0x5C:0x2234,0x5E:0x22A5,0x60:0x203E,0x7E:0x223C}.items(): sym[b]=u
hi=[0x20AC,0x3D2,0x2032,0x2264,0x2044,0x221E,0x192,0x2663,0x2666,0x2665,0x2660,0x2194,0x2190,0x2191,0x2192,0x2193,
0xB0,0xB1,0x2033,0x2265,0xD7,0x221D,0x2202,0x2022,0xF7,0x2260,0x2261,0x2248,0x2026,0x23D0,0x23AF,0x21B5,
0x2135,0x2111,0x211C,0x2118,0x2297,0x2295,0x2205,0x2229,0x222A,0x2283,0x2287,0x2284,0x2282,0x2286,0x2208,0x2209,
0x2220,0x2207,0xAE,0xA9,0x2122,0x220F,0x221A,0x22C5,0xAC,0x2227,0x2228,0x21D4,0x21D0,0x21D1,0x21D2,0x21D3,
0x25CA,0x2329,0xAE,0xA9,0x2122,0x2211,0x239B,0x239C,0x239D,0x23A1,0x23A2,0x23A3,0x23A7,0x23A8,0x23A9,0x23AA,
0,0x232A,0x222B,0x2320,0x23AE,0x2321,0x239E,0x239F,0x23A0,0x23A4,0x23A5,0x23A6,0x23AB,0x23AC,0x23AD,0]
for i,u in enumerate(hi): sym[0xA0+i]=u
wd=[0]*256
wd[0x20]=0x20
seq={0x21:"✏✂✁👓🔔📖🕯☎✆✉✉📪📫📬📭📁📂📄🗏🗐🗄⌛⌨🖰🖲🖳🖴🖫🖬✇✍🖎✌👌👍👎☜☞☝☟✋☺😐☹💣☠⚐⚑✈☼💧❄✝✞✝✠✡☪☯ॐ☸♈♉♊♋♌♍♎♏♐♑♒♓&&●○■□◻❑❒⬧⧫◆❖⬥⌧⍓⌘❀✿❝❞",
0x80:"⓪①②③④⑤⑥⑦⑧⑨⑩⓿❶❷❸❹❺❻❼❽❾❿❧☙❧☙❧☙❧☙·•▪○◯◯◉◎◯▪◻◻✦★✶✴✹✵⌖⟡⌑✧✪✰",
0xB7:"🕐🕑🕒🕓🕔🕕🕖🕗🕘🕙🕚🕛⮰⮱⮲⮳⮴⮵⮶⮷❧❧☙☙❧❧☙☙⌫⌦⌫⌦⌫➢⮙⮛⮈⮊⮉⮋←→↑↓↖↗↙↘←→↑↓↖↗↙↘⇦⇨⇧⇩⬄⇳⬀⬁⬃⬂▭▬✗✔☒☑"}
for start,s in seq.items():
    for i,c in enumerate(s):
        if start+i<256: wd[start+i]=ord(c) if ord(c)<0x10000 else 0
# Math-8: ASCII's digits and punctuation among mathematical signs, the Greek alphabet in the
# letters' places, arrows, set and logic signs and the pieces of large delimiters above 0xA0.
math8=[0]*256
rows={0x20:" √″°∞÷∝′()×+,−./", 0x30:"0123456789ℯε<=>≈", 0x40:"∴ΑΒΓΔΕΖΗΘΙΚΛΜΝΞΟ", 0x50:"ΠΡΣΤΥΦΧΨΩ∇∂ς≤≠≥_",
      0x60:"∵αβγδεζηθικλμνξο", 0x70:"πρστυφχψωϑϕϖ≃≡≢▒",
      0xA0:" ↑→↓←⇑⇒⇓⇐↕↔⇕⇔⇄⇆‾", 0xB0:"‾∀∃⊤⊥∪∩∈∋∉⊂⊃⊄⊅⊆⊇", 0xC0:"⊕⊙⊗⊖⊘∧∨⊻¬∘∙•●○†‡",
      0xD0:"Å⊣⊢∟∍∫∮∠∅ℵℶℷ℘ℑℜℨ", 0xE0:"⎡⎣⎛⎨⎝⌠∮⌡⎲‖⎳╱⎯═∗≅", 0xF0:"⎤⎦⎞⎬⎠⎮⎪⎷⎤⟩⎦╲⟨∓±"}
for start,chars in rows.items():
    for i,c in enumerate(chars): math8[start+i]=ord(c)
# The ISO 646 national variants: ASCII with the characters of their country at up to twelve
# places.
def iso646(changes):
    t=list(ascii_)
    for b,c in changes.items(): t[b]=ord(c)
    return t
national=[
("0D","ISO 60: Danish/Norwegian",{0x5B:"Æ",0x5C:"Ø",0x5D:"Å",0x7B:"æ",0x7C:"ø",0x7D:"å"}),
("1D","ISO 61: Norwegian version 2",{0x23:"§",0x5B:"Æ",0x5C:"Ø",0x5D:"Å",0x7B:"æ",0x7C:"ø",0x7D:"å",0x7E:"|"}),
("1E","ISO 4: United Kingdom",{0x23:"£",0x7E:"‾"}),
("0F","ISO 25: French",{0x23:"£",0x40:"à",0x5B:"°",0x5C:"ç",0x5D:"§",0x7B:"é",0x7C:"ù",0x7D:"è",0x7E:"¨"}),
("1F","ISO 69: French",{0x23:"£",0x40:"à",0x5B:"°",0x5C:"ç",0x5D:"§",0x60:"µ",0x7B:"é",0x7C:"ù",0x7D:"è",0x7E:"¨"}),
("0G","HP German",{0x23:"£",0x40:"§",0x5B:"Ä",0x5C:"Ö",0x5D:"Ü",0x7B:"ä",0x7C:"ö",0x7D:"ü",0x7E:"ß"}),
("1G","ISO 21: German",{0x40:"§",0x5B:"Ä",0x5C:"Ö",0x5D:"Ü",0x7B:"ä",0x7C:"ö",0x7D:"ü",0x7E:"ß"}),
("0I","ISO 15: Italian",{0x23:"£",0x40:"§",0x5B:"°",0x5C:"ç",0x5D:"é",0x60:"ù",0x7B:"à",0x7C:"ò",0x7D:"è",0x7E:"ì"}),
("0K","ISO 14: JIS ASCII",{0x5C:"¥",0x7E:"‾"}),
("2K","ISO 57: Chinese",{0x24:"¥",0x7E:"‾"}),
("0S","ISO 11: Swedish",{0x24:"¤",0x40:"É",0x5B:"Ä",0x5C:"Ö",0x5D:"Å",0x5E:"Ü",0x60:"é",0x7B:"ä",0x7C:"ö",0x7D:"å",0x7E:"ü"}),
("1S","HP Spanish",{0x23:"£",0x40:"§",0x5B:"¡",0x5C:"Ñ",0x5D:"¿",0x7B:"°",0x7C:"ñ",0x7D:"ç"}),
("2S","ISO 17: Spanish",{0x23:"£",0x40:"§",0x5B:"¡",0x5C:"Ñ",0x5D:"¿",0x7B:"°",0x7C:"ñ",0x7D:"ç"}),
("3S","ISO 10: Swedish",{0x24:"¤",0x5B:"Ä",0x5C:"Ö",0x5D:"Å",0x7B:"ä",0x7C:"ö",0x7D:"å",0x7E:"‾"}),
("4S","ISO 16: Portuguese",{0x40:"§",0x5B:"Ã",0x5C:"Ç",0x5D:"Õ",0x7B:"ã",0x7C:"ç",0x7D:"õ",0x7E:"°"}),
("5S","ISO 84: Portuguese",{0x40:"´",0x5B:"Ã",0x5C:"Ç",0x5D:"Õ",0x7B:"ã",0x7C:"ç",0x7D:"õ",0x7E:"¨"}),
("6S","ISO 85: Spanish",{0x40:"·",0x5B:"¡",0x5C:"Ñ",0x5D:"Ç",0x5E:"¿",0x7B:"´",0x7C:"ñ",0x7D:"ç",0x7E:"¨"}),
("2U","ISO 2: International Reference Version",{0x24:"¤",0x7E:"‾"}),
]
sets=[("8U","Roman-8",dec("hp_roman8")),("10U","PC-8",pc("cp437")),("12U","PC-850",pc("cp850")),
("0N","ISO 8859-1",dec("latin-1")),("19U","Windows 3.1 Latin 1",dec("cp1252")),("9E","Windows Latin 2",dec("cp1250")),
("0U","ASCII",ascii_),("1U","Legal",legal),("19M","Symbol",sym),("8M","Math-8",math8),("579L","Wingdings",wd),
("2N","ISO 8859-2 Latin 2",dec("iso8859_2")),("5N","ISO 8859-9 Latin 5",dec("iso8859_9")),
("6N","ISO 8859-10 Latin 6",dec("iso8859_10")),("9N","ISO 8859-15 Latin 9",dec("iso8859_15")),
("10N","ISO 8859-5 Latin/Cyrillic",dec("iso8859_5")),("12N","ISO 8859-7 Latin/Greek",dec("iso8859_7")),
("7H","ISO 8859-8 Latin/Hebrew",dec("iso8859_8")),
("11U","PC-8 Danish/Norwegian",pc("cp865")),("13U","PC-858 Multilingual",pc("cp858")),
("17U","PC-852 Latin 2",pc("cp852")),("26U","PC-775 Baltic",pc("cp775")),("9T","PC-Turkish",pc("cp857")),
("3R","PC Cyrillic",pc("cp866")),
("5T","Windows Latin 5",dec("cp1254")),("19L","Windows Baltic",dec("cp1257")),("9R","Windows Cyrillic",dec("cp1251")),
("9G","Windows Greek",dec("cp1253"))]
sets+=[(n,name,iso646(c)) for n,name,c in national]
for n,_,t in sets: assert len(t)==256,(n,len(t))
out=open("symbolsets/pcl_symbol_set_tables.inc","w")
out.write("// Generated: each symbol set's characters 0 to 255 as Unicode (0: none).\n")
for n,name,t in sets:
    num=int(n[:-1]); letter=n[-1]
    out.write(f'{{{num} * 32 + (\'{letter}\' - 64), "{name}", {{\n')
    for r in range(0,256,16): out.write("    "+", ".join(f"0x{u:04X}" for u in t[r:r+16])+",\n")
    out.write("}},\n")
