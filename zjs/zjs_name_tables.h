// Names of ZjStream chunk types and item codes, for the trace and for telling
// known chunk types from unknown ones. Built once per process.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

enum ZjsChunkType : uint32_t {
    ZJT_START_DOC = 0,
    ZJT_END_DOC,
    ZJT_START_PAGE,
    ZJT_END_PAGE,
    ZJT_JBIG_BIH,
    ZJT_JBIG_BID,
    ZJT_END_JBIG,
    ZJT_SIGNATURE,
    ZJT_RAW_IMAGE,
    ZJT_START_PLANE,
    ZJT_END_PLANE,
    ZJT_PAUSE,
    ZJT_2600N,  // a band of a plane, as the Color LaserJet 1600/2600 family takes them
};

enum ZjsItemCode : uint32_t {
    ZJI_PAGECOUNT = 0,
    ZJI_DMCOLLATE,
    ZJI_DMDUPLEX,
    ZJI_DMPAPER,
    ZJI_DMCOPIES,
    ZJI_DMDEFAULTSOURCE,
    ZJI_DMMEDIATYPE,
    ZJI_NBIE,
    ZJI_RESOLUTION_X,
    ZJI_RESOLUTION_Y,
    ZJI_OFFSET_X,
    ZJI_OFFSET_Y,
    ZJI_RASTER_X,
    ZJI_RASTER_Y,
    ZJI_COLLATE,
    ZJI_QUANTITY,
    ZJI_VIDEO_BPP,
    ZJI_VIDEO_X,
    ZJI_VIDEO_Y,
    ZJI_INTERLACE,
    ZJI_PLANE,
    ZJI_PALETTE,
    ZJI_RET,
    ZJI_TONER_SAVE,
    ZJI_MEDIA_SIZE_X,
    ZJI_MEDIA_SIZE_Y,
    ZJI_MEDIA_SIZE_UNITS,
    ZJI_PAD = 99,
    ZJI_PROMPT = 100,
    // Banded planes: how the bands are laid out, and the image header they share (a byte table).
    ZJI_BITMAP_TYPE = 101,
    ZJI_JBIG_BIH = 102,
    ZJI_BITMAP_PIXELS = 104,
    ZJI_INCRY = 105,
    ZJI_BITMAP_BPP = 106,
    ZJI_BITMAP_STRIDE = 107,
    ZJI_QMS_FINEMODE = 0x8000,
    ZJI_QMS_OUTBIN = 0x8001,
    ZJI_MINOLTA_PAGE_NUMBER = 0x8110,
    ZJI_MINOLTA_CUSTOM_X = 0x8113,
    ZJI_MINOLTA_CUSTOM_Y = 0x8114,
    // Toner counts at the end of a page.
    ZJI_HP_CDOTS = 0x8200,
    ZJI_HP_MDOTS,
    ZJI_HP_YDOTS,
    ZJI_HP_KDOTS,
    ZJI_HP_CWHITE,
    ZJI_HP_MWHITE,
    ZJI_HP_YWHITE,
    ZJI_HP_KWHITE,
};

// (code, name) pairs kept sorted by code; adding a code already there changes nothing.
class ZjsNameTable {
public:
    void Add(uint32_t code, const char* name);
    const char* Find(uint32_t code) const;  // null when the code is not in the table
    size_t Size() const { return rows_.size(); }

private:
    std::vector<std::pair<uint32_t, std::string>> rows_;
};

struct ZjsNameTables {
    ZjsNameTable chunks, items;
};

// The process-wide tables, built on first use.
const ZjsNameTables& BuildZjsNameTables();
