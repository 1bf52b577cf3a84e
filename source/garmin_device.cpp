#include "source/garmin_device.h"

#include <QXmlStreamReader>

namespace source {

namespace {

struct FileEntry {
    FilePlace place;
    QString direction;
};

// Direct children by name, whatever their namespace (the units use v2, later ones v3).
bool child(QXmlStreamReader& xml) {
    return xml.readNextStartElement();
}

FileEntry readFile(QXmlStreamReader& xml) {
    FileEntry entry;
    while (child(xml)) {
        if (xml.name() == QLatin1String("Location")) {
            while (child(xml)) {
                const QString text = xml.readElementText(QXmlStreamReader::SkipChildElements);
                if (xml.name() == QLatin1String("Path")) entry.place.path = text.trimmed();
                if (xml.name() == QLatin1String("BaseName")) entry.place.baseName = text.trimmed();
                if (xml.name() == QLatin1String("FileExtension"))
                    entry.place.extension = text.trimmed();
            }
        } else if (xml.name() == QLatin1String("TransferDirection")) {
            entry.direction = xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
        } else {
            xml.skipCurrentElement();
        }
    }
    return entry;
}

// A place the unit writes: the current log has a base name; activities any name.
bool fromUnit(const FileEntry& e) {
    return !e.place.path.isEmpty() && e.direction != QLatin1String("InputToUnit");
}

// A place on the unit itself: a relative path that never climbs out of it. The file comes
// from whatever drive was plugged in, and a place outside it would hide the unit's own log
// or read a file elsewhere on the machine.
bool onUnit(const FilePlace& place) {
    if (place.path.startsWith(QLatin1Char('/'))) return false;
    if (place.path.split(QLatin1Char('/')).contains(QLatin1String(".."))) return false;
    return !place.baseName.contains(QLatin1Char('/')) &&
           !place.extension.contains(QLatin1Char('/'));
}

void readDataType(QXmlStreamReader& xml, GarminDevice& device) {
    QString name;
    while (child(xml)) {
        if (xml.name() == QLatin1String("Name")) {
            name = xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
        } else if (xml.name() == QLatin1String("File")) {
            const FileEntry e = readFile(xml);
            if (!fromUnit(e) || !onUnit(e.place)) continue;
            if (name == QLatin1String("GPSData") && !e.place.baseName.isEmpty())
                device.currentGpx = e.place;
            if (name == QLatin1String("FIT_TYPE_4")) device.activities = e.place;
        } else {
            xml.skipCurrentElement();
        }
    }
}

void readModel(QXmlStreamReader& xml, GarminDevice& device) {
    while (child(xml)) {
        if (xml.name() == QLatin1String("Description"))
            device.model = xml.readElementText(QXmlStreamReader::SkipChildElements).simplified();
        else
            xml.skipCurrentElement();
    }
}

}  // namespace

GarminDevice GarminDevice::read(QIODevice& in) {
    GarminDevice device;
    QXmlStreamReader xml(&in);
    if (!child(xml) || xml.name() != QLatin1String("Device")) return device;
    while (child(xml)) {
        if (xml.name() == QLatin1String("Model")) {
            readModel(xml, device);
        } else if (xml.name() == QLatin1String("MassStorageMode")) {
            while (child(xml)) {
                if (xml.name() == QLatin1String("DataType"))
                    readDataType(xml, device);
                else
                    xml.skipCurrentElement();
            }
        } else {
            xml.skipCurrentElement();
        }
    }
    return device;
}

}  // namespace source
