#include "download/garmin_track_end.h"

#include <utility>

#include "download/file_messages.h"

namespace app {

void GarminTrackEnd::complete(std::int32_t received, std::uint16_t announced,
                              std::function<void()> over) {
    // Fewer records than the receiver announced: the rest were lost on the way, and what
    // came is kept as from any transfer cut short.
    const bool cutShort = received < announced;
    const QString kept = cutShort ? keptPointsText(writer_.keptPoints()) : QString();
    // Closed before the messages, so the points are on disk while the user reads them.
    const bool closed = cutShort ? writer_.closeCutShort() : writer_.closePointFile();
    const bool noPoint = writer_.pointsStored() == 0;
    if (!closed)
        ui_.ended(DownloadEnd::OutputFailed);
    else if (cutShort)
        ui_.ended(DownloadEnd::CutShort);
    else
        ui_.ended(noPoint ? DownloadEnd::NoTrack : DownloadEnd::Done);
    ui_.showMessage(receivedText(received));
    if (announced != received) {
        QString text = QStringLiteral(
                           "Error - Record counts don't match\r\n"
                           "GPS claims to have sent %1 records.")
                           .arg(announced);
        if (cutShort && closed) text += QStringLiteral("\r\n") + kept;
        ui_.showMessage(text);
    }
    ui_.afterMessages([this, finish = closed && !cutShort, noPoint, over = std::move(over)] {
        messagesRead(finish, noPoint, over);
    });
}

QString GarminTrackEnd::receivedText(std::int32_t received) const {
    return QStringLiteral("Received %1 records.").arg(received) +
           pointsLeftOutText(writer_.pointsWithoutPosition());
}

// The last file is written once the user has read the messages, and `over` follows after
// any message of its own.
void GarminTrackEnd::messagesRead(bool finish, bool noPoint, const std::function<void()>& over) {
    if (finish) finishOutput(noPoint);
    ui_.afterMessages(over);
}

// A receiver without a track point leaves every earlier file as it was.
void GarminTrackEnd::finishOutput(bool noPoint) {
    if (noPoint) {
        writer_.discardEmpty();
        ui_.showMessage(writer_.pointsWithoutPosition() == 0
                            ? QStringLiteral("The receiver holds no track; no file was written.")
                            : QStringLiteral("The receiver holds no track point with a "
                                             "position; no file was written."));
        return;
    }
    // The finishing step names its own failure; that end is told after its message. A file
    // of the split that failed earlier, named then, ends the download as well.
    if (!writer_.Finish_Output_File() || writer_.anyFileFailed()) ui_.ended(writer_.failureEnd());
    tellWritten();
}

// After the files are made: how many points went to which of them.
void GarminTrackEnd::tellWritten() {
    if (const QString text = writtenText(writer_.written(), writer_.pointsStored());
        !text.isEmpty())
        ui_.showMessage(text);
}

}  // namespace app
