// A picture drawn into an image with QPainter, for the window and for PNG files.
#pragma once

#include <QCoreApplication>
#include <QImage>
#include <QString>
#include <memory>

#include "overview/track_picture.h"

namespace overview {

QImage paintPicture(const Picture& picture);

// Paints the picture into a PNG file; the reason when it could not be written, else nothing.
QString savePicturePng(const Picture& picture, const QString& file);

// The application a program without a window needs to paint (QPainter draws text only
// under a QGuiApplication): on the offscreen platform, so that no display is needed.
std::unique_ptr<QCoreApplication> paintingApplication(int& argc, char** argv);

}  // namespace overview
