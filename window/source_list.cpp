#include "window/source_list.h"

#include <QFileInfo>
#include <QSignalBlocker>

namespace app {

namespace {

const QString kFileChoice = QStringLiteral("File…");

}  // namespace

void SourceList::fill(const QString& chosen) {
    const QSignalBlocker quiet(&box_);
    box_.clear();
    for (const source::UnitFolder& unit : source::findUnits(volumes_)) {
        box_.addItem(unit.label(), unit.root());
        box_.setItemData(box_.count() - 1, unit.trackFile(), Qt::ToolTipRole);
    }
    const int units = box_.count();
    if (!chosen.isEmpty() && box_.findData(chosen) < 0 && !QFileInfo(chosen).isDir()) {
        box_.addItem(chosen, chosen);
        box_.setItemData(box_.count() - 1, chosen, Qt::ToolTipRole);
    }
    box_.addItem(kFileChoice);
    int index = chosen.isEmpty() ? -1 : box_.findData(chosen);
    if (index < 0) index = units > 0 ? 0 : box_.count() - 1;
    box_.setCurrentIndex(index);
}

QString SourceList::chosen() const {
    return box_.currentData().toString();
}

bool SourceList::isFileChoice(int index) const {
    return index == box_.count() - 1;
}

}  // namespace app
