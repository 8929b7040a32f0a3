#include "pclxl_jpeg.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace {
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void onError(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1); }
void quiet(j_common_ptr, int) {}
}  // namespace

bool DecodeJpeg(const uint8_t* data, size_t size, size_t maxBytes, JpegImage& out) {
    out = JpegImage{};
    if (size < 4 || size > 0xFFFFFFFFu) return false;
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    errors.base.emit_message = quiet;
    // Everything that lives across the jump is made before it.
    std::vector<uint8_t>& pixels = out.pixels;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        pixels.clear();
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = info.num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(&info);
    size_t row = static_cast<size_t>(info.output_width) * info.output_components;
    if (row == 0 || info.output_height == 0 || row * info.output_height > maxBytes) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    pixels.resize(row * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW line = &pixels[row * info.output_scanline];
        jpeg_read_scanlines(&info, &line, 1);
    }
    out.width = static_cast<int32_t>(info.output_width);
    out.height = static_cast<int32_t>(info.output_height);
    out.components = info.output_components;
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}
