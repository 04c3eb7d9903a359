#include "platform/ui/web/png.h"

#include <png.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace helx::ui::web {

std::string EncodePng(const Image& image) {
  if (image.width <= 0 || image.height <= 0 ||
      image.rgb.size() < static_cast<std::size_t>(image.width) * image.height)
    return {};
  std::vector<std::uint8_t> rgb(image.rgb.size() * 3);
  for (std::size_t i = 0; i < image.rgb.size(); ++i) {
    rgb[3 * i] = static_cast<std::uint8_t>(image.rgb[i] >> 16);
    rgb[3 * i + 1] = static_cast<std::uint8_t>(image.rgb[i] >> 8);
    rgb[3 * i + 2] = static_cast<std::uint8_t>(image.rgb[i]);
  }
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width);
  png.height = static_cast<png_uint_32>(image.height);
  png.format = PNG_FORMAT_RGB;
  png_alloc_size_t size = 0;
  // The first call says how large the file will be, the second writes it.
  if (!png_image_write_to_memory(&png, nullptr, &size, 0, rgb.data(), 0, nullptr)) return {};
  std::string out(size, '\0');
  if (!png_image_write_to_memory(&png, out.data(), &size, 0, rgb.data(), 0, nullptr)) return {};
  out.resize(size);
  return out;
}

}  // namespace helx::ui::web
