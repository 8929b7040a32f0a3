// Many pages at once: pictured on every core, or played into a PDF or SVG document as vectors.
#pragma once
#include "document.h"
#include "page_renderer.h"

#include <functional>

// Plays a page file into the next page of a document (PDF or SVG) as vectors, at the size of
// its picture at `dotsPerInch`. False when the page cannot be read or drawn.
bool DrawPageIntoDocument(HDC document, const char* path, int32_t dotsPerInch);

// Runs `work` at once on as many threads as there are cores, but no more than `items`, this
// thread being one of them; returns when every one has returned.
void RunOnEveryCore(size_t items, const std::function<void()>& work);

// Pictures every page of a list on all cores, handing each picture to `use` (from several
// threads at once, every page once; null for a page that cannot be pictured). When `use`
// returns false, no further page is begun. With a box, each page is drawn fitted in it.
void PicturePages(const PageList& pages, const std::function<bool(size_t index, const RenderedPage* page)>& use,
                  int32_t dotsPerInch = 0, int32_t boxWidth = 0, int32_t boxHeight = 0);
