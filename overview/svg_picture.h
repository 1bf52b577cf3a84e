// A picture as SVG text, written by hand: the same drawing as the PNG painter's, with no
// dependency beyond the standard library.
#pragma once

#include <string>

#include "overview/track_picture.h"

namespace overview {

std::string svgPicture(const Picture& picture);

}  // namespace overview
