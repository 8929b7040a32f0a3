#include "page_pictures.h"

#include "drawing_options.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

bool DrawPageIntoDocument(HDC document, const char* path, int32_t dotsPerInch) {
    HENHMETAFILE metafile = path ? GetEnhMetaFileA(path) : nullptr;
    ENHMETAHEADER header{};
    int32_t width = 0, height = 0;
    bool ok = ReadPageHeader(metafile, header) && PagePictureSize(header, dotsPerInch, dotsPerInch, width, height);
    // What only pixels can draw comes from the page's own picture at the same resolution.
    RenderedPage picture;
    auto backdrop = [&]() {
        if (!RenderPageMetafile(path, picture, dotsPerInch)) return BackdropPixels{};
        return BackdropPixels{reinterpret_cast<const uint32_t*>(picture.pixels), picture.width, picture.height};
    };
    ok = ok && StartDocumentPage(document, width, height, backdrop);
    if (ok) {
        RECT area{0, 0, width, height};
        PlayEnhMetaFile(document, metafile, &area);
        ok = EndDocumentPage(document);
    }
    ReleaseRenderedPage(picture);
    if (metafile) DeleteEnhMetaFile(metafile);
    return ok;
}

void RunOnEveryCore(size_t items, const std::function<void()>& work) {
    size_t workers = std::clamp<size_t>(DrawingCores(), 1, std::max<size_t>(items, 1));
    std::vector<std::thread> threads;
    for (size_t w = 1; w < workers; ++w) threads.emplace_back(work);
    work();
    for (std::thread& t : threads) t.join();
}

void PicturePages(const PageList& pages, const std::function<bool(size_t index, const RenderedPage* page)>& use,
                  int32_t dotsPerInch, int32_t boxWidth, int32_t boxHeight) {
    std::atomic<size_t> next{0};
    std::atomic<bool> stop{false};
    RunOnEveryCore(pages.size(), [&] {
        RenderedPage page;  // each worker's bitmap serves its pages in turn
        for (size_t i; !stop && (i = next++) < pages.size();) {
            int32_t width = 0, height = 0;
            bool fitted = boxWidth > 0 && FitPictureInBox(pages[i].c_str(), boxWidth, boxHeight, width, height);
            bool pictured = (boxWidth == 0 || fitted) &&
                RenderPageMetafile(pages[i].c_str(), page, dotsPerInch, fitted ? width : 0, fitted ? height : 0);
            if (!use(i, pictured ? &page : nullptr)) stop = true;
        }
        ReleaseRenderedPage(page);
    });
}
