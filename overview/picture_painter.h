// A picture drawn into an image with QPainter, for the window and for PNG files.
#pragma once

#include <QImage>

#include "overview/track_picture.h"

namespace overview {

QImage paintPicture(const Picture& picture);

}  // namespace overview
