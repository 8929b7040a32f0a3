// The first page of a printer job held in memory, pictured at any size: what an image
// loader hands its host. Its page file lives only as long as the object.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

class JobFirstPage {
public:
    enum class Fault { None, NotAJob, NotShown, NoPage, TooLarge };

    JobFirstPage() = default;
    JobFirstPage(const JobFirstPage&) = delete;
    JobFirstPage& operator=(const JobFirstPage&) = delete;
    ~JobFirstPage();

    // Converts the job as far as its first page. False with `fault` and a message naming the
    // language or the reason when it yields none, or a page that cannot be read.
    bool Convert(const uint8_t* data, size_t size, Fault& fault, std::string& message);
    // The page's picture at the plug-in's resolution (twice the screen's), in pixels.
    void NaturalSize(int32_t& width, int32_t& height) const { width = naturalWidth_, height = naturalHeight_; }
    // Draws the page at `width` x `height` and hands over its rows, top first, as R, G, B, A
    // bytes (alpha 255). A picture smaller than the natural one is drawn at up to four times
    // its size each way and reduced, so that fine lines and printers' shading patterns come
    // out as grey, as they look on paper. False with `fault` and a message when it cannot be
    // pictured.
    bool Draw(int32_t width, int32_t height, const std::function<void(int32_t y, const uint8_t* rgba)>& row,
              Fault& fault, std::string& message) const;

private:
    std::string page_;  // the page file, removed with the object
    std::string language_;
    int32_t naturalWidth_ = 0, naturalHeight_ = 0;
};
