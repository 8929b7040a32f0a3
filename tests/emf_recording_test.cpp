#include "emf_records.h"
#include "test_support.h"

#include <cstring>

namespace {
uint32_t U32(const Bytes& b, size_t off) {
    uint32_t v;
    memcpy(&v, &b[off], 4);
    return v;
}

// Record types in file order, checking that the sizes chain up to the end.
std::vector<uint32_t> RecordTypes(const Bytes& emf) {
    std::vector<uint32_t> types;
    size_t off = 0;
    while (off + 8 <= emf.size()) {
        uint32_t size = U32(emf, off + 4);
        EXPECT_GE(size, 8u);
        EXPECT_EQ(size % 4, 0u);
        if (size < 8) break;
        types.push_back(U32(emf, off));
        off += size;
    }
    EXPECT_EQ(off, emf.size());
    return types;
}
}  // namespace

TEST(EmfRecording, HeaderDescribesThePageAsItsReferenceDevice) {
    Bytes emf = Record([](HDC dc) {
        EXPECT_EQ(GetDeviceCaps(dc, HORZSIZE), 210);
        EXPECT_EQ(GetDeviceCaps(dc, VERTSIZE), 297);
        EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 794);
        EXPECT_EQ(GetDeviceCaps(dc, VERTRES), 1123);
        EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 96);
        Rectangle(dc, 100, 100, 200, 150);
    });
    ENHMETAHEADER h;
    memcpy(&h, emf.data(), sizeof h);
    EXPECT_EQ(h.iType, 1u);
    EXPECT_EQ(h.dSignature, 0x464D4520u);
    EXPECT_EQ(h.nBytes, emf.size());
    EXPECT_EQ(h.rclFrame.right, 21000);
    EXPECT_EQ(h.rclFrame.bottom, 29700);
    EXPECT_EQ(h.szlMillimeters.cx, 210);
    EXPECT_EQ(h.szlMillimeters.cy, 297);
    EXPECT_EQ(h.szlDevice.cx, 794);
    EXPECT_EQ(h.szlDevice.cy, 1123);
    EXPECT_EQ(h.rclBounds.left, 99);
    EXPECT_EQ(h.rclBounds.right, 201);
    std::vector<uint32_t> types = RecordTypes(emf);
    EXPECT_EQ(h.nRecords, types.size());
    EXPECT_EQ(types.front(), EMR_HEADER);
    EXPECT_EQ(types.back(), EMR_EOF);
}

TEST(EmfRecording, ObjectsGetHandlesAndAreDeletedInTheFile) {
    Bytes emf = Record([](HDC dc) {
        HPEN pen = CreatePen(PS_SOLID, 3, RGB(1, 2, 3));
        HGDIOBJ old = SelectObject(dc, pen);
        MoveToEx(dc, 0, 0, nullptr);
        LineTo(dc, 10, 10);
        SelectObject(dc, old);
        DeleteObject(pen);
        SelectObject(dc, GetStockObject(NULL_BRUSH));
    });
    std::vector<uint32_t> types = RecordTypes(emf);
    auto at = [&](uint32_t t) { return std::find(types.begin(), types.end(), t) - types.begin(); };
    EXPECT_LT(at(EMR_CREATEPEN), at(EMR_LINETO));
    EXPECT_LT(at(EMR_LINETO), at(EMR_DELETEOBJECT));
    ENHMETAHEADER h;
    memcpy(&h, emf.data(), sizeof h);
    EXPECT_EQ(h.nHandles, 2);  // the file itself and the pen
}

TEST(EmfRecording, SmallCoordinatesUseSixteenBitRecords) {
    Bytes emf = Record([](HDC dc) {
        POINT small[3] = {{1, 2}, {3, 4}, {5, 6}}, big[3] = {{1, 2}, {70000, 4}, {5, 6}};
        Polyline(dc, small, 3);
        Polyline(dc, big, 3);
    });
    std::vector<uint32_t> types = RecordTypes(emf);
    EXPECT_EQ(std::count(types.begin(), types.end(), EMR_POLYLINE16), 1);
    EXPECT_EQ(std::count(types.begin(), types.end(), EMR_POLYLINE), 1);
}

TEST(EmfRecording, FileIsWrittenOnCloseAndReadBack) {
    char dir[] = "/tmp/spoolsight-rec-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string path = std::string(dir) + "/page.emf";
    RECT frame{0, 0, 10000, 5000};
    HDC dc = CreateEnhMetaFileA(nullptr, path.c_str(), &frame, nullptr);
    ASSERT_NE(dc, nullptr);
    Ellipse(dc, 0, 0, 100, 50);
    HENHMETAFILE emf = CloseEnhMetaFile(dc);
    ASSERT_NE(emf, nullptr);
    DeleteEnhMetaFile(emf);
    HENHMETAFILE back = GetEnhMetaFileA(path.c_str());
    ASSERT_NE(back, nullptr);
    ENHMETAHEADER h;
    EXPECT_EQ(GetEnhMetaFileHeader(back, sizeof h, &h), sizeof h);
    EXPECT_EQ(h.szlMillimeters.cx, 100);
    EXPECT_EQ(h.szlMillimeters.cy, 50);
    DeleteEnhMetaFile(back);
    std::remove(path.c_str());
    rmdir(dir);
}

TEST(EmfRecording, AbsurdFramesAreRefused) {
    RECT zero{0, 0, 0, 100}, huge{0, 0, 2000000000, 100};
    EXPECT_EQ(CreateEnhMetaFileA(nullptr, nullptr, &zero, nullptr), nullptr);
    EXPECT_EQ(CreateEnhMetaFileA(nullptr, nullptr, &huge, nullptr), nullptr);
}

TEST(EmfRecording, AverageWidthsAreThoseOfTheFacesStoodInFor) {
    // Windows states Arial's and Times New Roman's average widths as 904 and 821 of a 2048 em;
    // their stand-ins must too, or a font sized by its average width (lfWidth) comes out wide.
    Record([](HDC dc) {
        auto metrics = [dc](const char* face, LONG width, TEXTMETRICA& tm, SIZE& extent) {
            HFONT f = CreateFontA(-2048, width, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, face);
            HGDIOBJ old = SelectObject(dc, f);
            ASSERT_TRUE(GetTextMetricsA(dc, &tm));
            ASSERT_TRUE(GetTextExtentPoint32A(dc, "abcdefghij", 10, &extent));
            SelectObject(dc, old);
            DeleteObject(f);
        };
        TEXTMETRICA tm;
        SIZE natural, narrow;
        metrics("Arial", 0, tm, natural);
        EXPECT_NEAR(tm.tmAveCharWidth, 904, 12);
        metrics("Arial", 452, tm, narrow);  // half the average width: half as wide
        EXPECT_NEAR(narrow.cx, natural.cx / 2.0, natural.cx * 0.02);
        metrics("Times New Roman", 0, tm, natural);
        EXPECT_NEAR(tm.tmAveCharWidth, 821, 12);
    });
}

TEST(EmfRecording, TextIsMeasuredAsItWillBeDrawn) {
    Bytes emf = Record([](HDC dc) {
        SetMapMode(dc, MM_ANISOTROPIC);
        SetWindowExtEx(dc, 16800, 23760, nullptr);
        SetViewportExtEx(dc, GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES), nullptr);
        HFONT f = CreateFontA(-800, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Courier New");
        SelectObject(dc, f);
        SIZE s;
        ASSERT_TRUE(GetTextExtentPoint32A(dc, "ABCDEFGHIJ", 10, &s));
        // Courier advances are 0.6 em.
        EXPECT_NEAR(s.cx, 4800, 10);
        TEXTMETRICA tm;
        ASSERT_TRUE(GetTextMetricsA(dc, &tm));
        EXPECT_GT(tm.tmHeight, 800);
        EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
        EXPECT_NEAR(tm.tmAveCharWidth, 480, 5);
        EXPECT_FALSE(tm.tmPitchAndFamily & TMPF_FIXED_PITCH);
        TextOutA(dc, 100, 100, "ABCDEFGHIJ", 10);
        SelectObject(dc, GetStockObject(SYSTEM_FONT));
        DeleteObject(f);
        POINT p[1] = {{GetDeviceCaps(dc, HORZRES), 0}};
        DPtoLP(dc, p, 1);
        EXPECT_EQ(p[0].x, 16800);
    });
    std::vector<uint32_t> types = RecordTypes(emf);
    EXPECT_EQ(std::count(types.begin(), types.end(), EMR_EXTTEXTOUTW), 1);
}

TEST(EmfRecording, DeviceToLogicalUndoesTheMapping) {
    Record([](HDC dc) {
        SetMapMode(dc, MM_ANISOTROPIC);
        SetWindowExtEx(dc, 23760, 23760, nullptr);
        SetViewportExtEx(dc, 1123, -1123, nullptr);
        SetViewportOrgEx(dc, 0, 1123, nullptr);
        POINT p[2] = {{0, 0}, {100, 16}};
        ASSERT_TRUE(DPtoLP(dc, p, 2));
        EXPECT_EQ(p[0].x, 0);
        EXPECT_EQ(p[0].y, 23760);
        EXPECT_EQ(p[1].x, 2116);
        EXPECT_EQ(p[0].y - p[1].y, 339);
        ASSERT_TRUE(LPtoDP(dc, p, 2));
        EXPECT_EQ(p[1].x, 100);
        EXPECT_EQ(p[1].y, 16);
    });
}
