// A picture of the panel model as PNG bytes (8-bit RGB).
//
// Threads: pure, safe anywhere.
#pragma once

#include <string>

#include "platform/ui/model.h"

namespace helx::ui::web {

// The PNG file's bytes; empty when the image is empty or cannot be encoded.
std::string EncodePng(const Image& image);

}  // namespace helx::ui::web
