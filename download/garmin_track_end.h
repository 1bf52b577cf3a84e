// The end of a Garmin track that came whole: the point file closed, the count received and
// the count the receiver claimed, then, once the user has read them, the output files and
// what went into them. Whoever runs the download decides when; this says and writes what.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

#include "download/download_ui.h"
#include "download/track_file_writer.h"

namespace app {

class GarminTrackEnd {
  public:
    GarminTrackEnd(TrackFileWriter& writer, DownloadUi& ui) : writer_(writer), ui_(ui) {}

    // `received` records came of the `announced`; `over` follows once the user has read
    // every message, the files' own included.
    void complete(std::int32_t received, std::uint16_t announced, std::function<void()> over);

  private:
    QString receivedText(std::int32_t received) const;
    void messagesRead(bool finish, bool noPoint, const std::function<void()>& over);
    void finishOutput(bool noPoint);
    void tellWritten();

    TrackFileWriter& writer_;
    DownloadUi& ui_;
};

}  // namespace app
