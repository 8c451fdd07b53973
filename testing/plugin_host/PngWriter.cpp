// PNG output through libpng, for the demo and for saving a failing picture.
#include <png.h>

#include <csetjmp>
#include <cstdio>

#include "testing/plugin_host/HostFramebuffer.h"

namespace testhost {

bool WritePng(const std::string& path, const RgbaImage& image, std::string& error) {
  if (image.width == 0 || image.height == 0 ||
      image.bytes.size() != std::size_t{image.width} * image.height * 4) {
    error = "not a complete RGBA picture";
    return false;
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    error = "cannot open " + path + " for writing";
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    error = "libpng could not start";
    return false;
  }
  // GL rows go bottom-up; a picture file goes top-down.
  std::vector<png_const_bytep> rows(image.height);
  for (uint32_t y = 0; y < image.height; ++y)
    rows[y] = image.bytes.data() + std::size_t{image.height - 1 - y} * image.width * 4;

  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    error = "libpng failed while writing " + path;
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, const_cast<png_bytepp>(rows.data()));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  if (std::fclose(file) != 0) {
    error = "cannot finish writing " + path;
    return false;
  }
  return true;
}

}  // namespace testhost
