// Turns ZjStream pages, their JBIG images in temporary files or in bands
// decoded from the stream, into page metafiles.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// What a page's items say of its raster. Dots count at the raster's own
// resolution: a stream whose raster has more dots than its video width
// (RASTER_X over VIDEO_X, as 1200 x 600 dpi printers are sent) prints that
// many dots to each unit of RESOLUTION_X.
struct ZjsRaster {
    int32_t paperCode = 9;
    int32_t resolutionX = 600, resolutionY = 0;  // dots per inch; 0: as in x
    int32_t rasterX = 0, rasterY = 0;            // the raster in dots; 0 where not given
    int32_t videoX = 0, videoY = 0;              // the printed raster at RESOLUTION_X; 0 where not given
    int32_t offsetX = 0, offsetY = 0;            // its top-left corner on the sheet, in dots

    double DotsPerInchX() const;
    double DotsPerInchY() const;
    // The dots of a line and the lines the page prints, or 0 where the items do not say:
    // the video size in dots, within the raster (whose lines may carry padding).
    int32_t PrintedColumns() const;
    int32_t PrintedRows() const;
};

// The largest image a page may hold: what its items announce, with room for
// row padding, or the sheet at the resolution; never beyond a hard cap.
struct JbigLimits {
    unsigned long width = 0, height = 0;
};
JbigLimits JbigImageLimits(const ZjsRaster& raster);

// A decoded plane: rows padded to 4 bytes as a DIB wants them, set bits in
// the plane's ink (0x00BBGGRR).
struct JbigPlaneImage {
    unsigned long width = 0, height = 0;
    std::vector<unsigned char> bits;
    uint32_t ink = 0;
};

// Decodes a JBIG file; false when it holds no complete image within the limits.
bool DecodeJbigFile(const char* path, const JbigLimits& limits, JbigPlaneImage& out);
// Decodes one band of rows, its 20-byte image header given apart with the
// band's height written into it, and appends the rows to `out`; a band that
// cannot be decoded is appended white, so that the bands after it keep their
// place. False when nothing could be appended: a band of another width, or
// one that would pass the limits.
bool AppendJbigBand(const uint8_t* header, uint32_t rows, const uint8_t* data, size_t size, const JbigLimits& limits,
                    JbigPlaneImage& out);

// Records the planes onto a page at `metafilePath` (a name the caller has
// claimed), laid over each other as toners are: each plane's set pixels take
// its ink, and overlapping inks combine (cyan over yellow gives green).
// 1 when the page was written; 0 otherwise, and then no file is left there.
int RecordZjsPage(const char* metafilePath, const std::vector<JbigPlaneImage>& planes, const ZjsRaster& raster);

// A page of one black plane, its JBIG image in a file, on a sheet of the
// paper code at one resolution.
int BuildJbigPage(const char* metafilePath, const char* jbigPath, int32_t paperCode, int32_t resolution);
