#include "job_first_page.h"

#include "convert_print_job.h"
#include "kernel.h"
#include "language_detector.h"
#include "page_files.h"
#include "page_renderer.h"

#include <algorithm>
#include <vector>

JobFirstPage::~JobFirstPage() {
    if (!page_.empty()) DeleteTemporaryFile(page_);
}

bool JobFirstPage::Convert(const uint8_t* data, size_t size, Fault& fault, std::string& message) {
    JobFormat format = IdentifyPrintJob(data, size).format;
    language_ = JobFormatName(format);
    if (format == JobFormat::Unknown) {
        fault = Fault::NotAJob;
        message = "not a printer job in a language Spoolsight reads";
        return false;
    }
    if (!JobFormatIsDrawn(format)) {
        fault = Fault::NotShown;
        message = language_ + " job: this language is not shown";
        return false;
    }
    PageList pages;
    bool converted = ConvertPrintJobBytes("job", data, size, pages, 1);
    if (!converted || pages.empty()) {
        DeletePageFiles(pages);
        fault = Fault::NoPage;
        message = language_ + " job: no page could be read";
        return false;
    }
    page_ = std::move(pages.front());
    bool sized = PageFilePictureSize(page_.c_str(), naturalWidth_, naturalHeight_);
    if (!sized) {
        fault = Fault::NoPage;
        message = language_ + " job: its first page cannot be read";
    }
    return sized;
}

bool JobFirstPage::Draw(int32_t width, int32_t height, const std::function<void(int32_t, const uint8_t*)>& row,
                        Fault& fault, std::string& message) const {
    // Each picture pixel is the mean of `k` x `k` drawn ones.
    int32_t k = 1;
    while (k < 4 && int64_t{width} * (k + 1) <= naturalWidth_ && int64_t{height} * (k + 1) <= naturalHeight_) ++k;
    RenderedPage page;
    struct Release {
        RenderedPage& page;
        ~Release() { ReleaseRenderedPage(page); }
    } release{page};
    if (width <= 0 || height <= 0 || !RenderPageMetafile(page_.c_str(), page, 0, width * k, height * k)) {
        fault = Fault::TooLarge;
        message = language_ + " job: its first page cannot be pictured at " + std::to_string(width) + " x " +
            std::to_string(height) + " pixels (at most " + std::to_string(kMaxPictureSide) + " a side and " +
            std::to_string(kMaxPictureBytes >> 20) + " MiB)";
        return false;
    }
    size_t stride = static_cast<size_t>(page.width) * 4, n = static_cast<size_t>(k) * k;
    std::vector<uint32_t> sums(static_cast<size_t>(width) * 3);
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * 4);
    for (int32_t y = 0; y < height; ++y) {
        std::fill(sums.begin(), sums.end(), 0);
        for (int32_t dy = 0; dy < k; ++dy) {
            const uint8_t* bgrx = page.pixels + (static_cast<size_t>(y) * k + dy) * stride;
            for (size_t x = 0; x < static_cast<size_t>(width) * k; ++x) {
                uint32_t* sum = &sums[x / k * 3];
                sum[0] += bgrx[x * 4 + 2], sum[1] += bgrx[x * 4 + 1], sum[2] += bgrx[x * 4];
            }
        }
        for (size_t x = 0; x < static_cast<size_t>(width); ++x) {
            for (size_t c = 0; c < 3; ++c) rgba[x * 4 + c] = static_cast<uint8_t>((sums[x * 3 + c] + n / 2) / n);
            rgba[x * 4 + 3] = 0xFF;
        }
        row(y, rgba.data());
    }
    return true;
}
