// The message that ends a download shown with the overview beside it: the picture of the
// track and one row of figures a file written (or a track), answered with OK as any message.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "overview/track_overview.h"
#include "overview/track_picture.h"

class QWidget;

namespace app {

// What the box shows, in plain values (the box paints the picture), so that whoever
// only passes it on needs no QtGui.
struct OverviewShown {
    overview::Picture picture;
    QStringList headings;
    QList<QStringList> rows;
};

// The picture and rows of the track the overview followed.
OverviewShown overviewShown(const overview::TrackOverview& overview);

// Opens the box without waiting; `closed` runs once OK has been pressed (or the box closed).
void openOverviewBox(QWidget* parent, const QString& text, const OverviewShown& shown,
                     std::function<void()> closed);

}  // namespace app
