// The object behind the host's picture handle.
#pragma once
#include "page_renderer.h"

#include <string>

struct PictureLoadContext {
    std::string pagePath;  // first page's metafile; the context owns the file
    RenderedPage page;     // metafile, header, geometry, pixels, memory DC and bitmap, once rendered
};
