#include "zjs_name_tables.h"

#include <algorithm>

void ZjsNameTable::Add(uint32_t code, const char* name) {
    auto at =
        std::lower_bound(rows_.begin(), rows_.end(), code, [](const auto& row, uint32_t c) { return row.first < c; });
    if (at != rows_.end() && at->first == code) return;
    rows_.insert(at, {code, name});
}

const char* ZjsNameTable::Find(uint32_t code) const {
    auto at =
        std::lower_bound(rows_.begin(), rows_.end(), code, [](const auto& row, uint32_t c) { return row.first < c; });
    return at != rows_.end() && at->first == code ? at->second.c_str() : nullptr;
}

namespace {
ZjsNameTables makeNameTables() {
    ZjsNameTables tables;
#define CHUNK(name) tables.chunks.Add(name, #name)
    CHUNK(ZJT_START_DOC);
    CHUNK(ZJT_END_DOC);
    CHUNK(ZJT_START_PAGE);
    CHUNK(ZJT_END_PAGE);
    CHUNK(ZJT_JBIG_BIH);
    CHUNK(ZJT_JBIG_BID);
    CHUNK(ZJT_END_JBIG);
    CHUNK(ZJT_SIGNATURE);
    CHUNK(ZJT_RAW_IMAGE);
    CHUNK(ZJT_START_PLANE);
    CHUNK(ZJT_END_PLANE);
    CHUNK(ZJT_PAUSE);
    CHUNK(ZJT_2600N);
#undef CHUNK
#define ITEM(name) tables.items.Add(name, #name)
    ITEM(ZJI_PAGECOUNT);
    ITEM(ZJI_DMCOLLATE);
    ITEM(ZJI_DMDUPLEX);
    ITEM(ZJI_DMPAPER);
    ITEM(ZJI_DMCOPIES);
    ITEM(ZJI_DMDEFAULTSOURCE);
    ITEM(ZJI_DMMEDIATYPE);
    ITEM(ZJI_NBIE);
    ITEM(ZJI_RESOLUTION_X);
    ITEM(ZJI_RESOLUTION_Y);
    ITEM(ZJI_OFFSET_X);
    ITEM(ZJI_OFFSET_Y);
    ITEM(ZJI_RASTER_X);
    ITEM(ZJI_RASTER_Y);
    ITEM(ZJI_COLLATE);
    ITEM(ZJI_QUANTITY);
    ITEM(ZJI_VIDEO_BPP);
    ITEM(ZJI_VIDEO_X);
    ITEM(ZJI_VIDEO_Y);
    ITEM(ZJI_INTERLACE);
    ITEM(ZJI_PLANE);
    ITEM(ZJI_PALETTE);
    ITEM(ZJI_RET);
    ITEM(ZJI_TONER_SAVE);
    ITEM(ZJI_MEDIA_SIZE_X);
    ITEM(ZJI_MEDIA_SIZE_Y);
    ITEM(ZJI_MEDIA_SIZE_UNITS);
    ITEM(ZJI_PAD);
    ITEM(ZJI_PROMPT);
    ITEM(ZJI_BITMAP_TYPE);
    ITEM(ZJI_JBIG_BIH);
    ITEM(ZJI_BITMAP_PIXELS);
    ITEM(ZJI_INCRY);
    ITEM(ZJI_BITMAP_BPP);
    ITEM(ZJI_BITMAP_STRIDE);
    ITEM(ZJI_QMS_FINEMODE);
    ITEM(ZJI_QMS_OUTBIN);
    ITEM(ZJI_MINOLTA_PAGE_NUMBER);
    ITEM(ZJI_MINOLTA_CUSTOM_X);
    ITEM(ZJI_MINOLTA_CUSTOM_Y);
    ITEM(ZJI_HP_CDOTS);
    ITEM(ZJI_HP_MDOTS);
    ITEM(ZJI_HP_YDOTS);
    ITEM(ZJI_HP_KDOTS);
    ITEM(ZJI_HP_CWHITE);
    ITEM(ZJI_HP_MWHITE);
    ITEM(ZJI_HP_YWHITE);
    ITEM(ZJI_HP_KWHITE);
#undef ITEM
    return tables;
}
}  // namespace

const ZjsNameTables& BuildZjsNameTables() {
    // Built by the first caller, whatever its thread; the others wait for it.
    static const ZjsNameTables tables = makeNameTables();
    return tables;
}
