// The track file writer: output and temporary names, the temporary point file of a
// Garmin download with its split at new segments, the progress caption, and the
// finishing step that turns a point file into the output file.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/download_ui.h"
#include "app/download_services.h"
#include "coords/convert.h"
#include "coords/file_handle.h"
#include "garmin/track.h"

namespace app {

class TrackFileWriter {
  public:
    TrackFileWriter(DownloadUi& ui, TempFiles& tempFiles) : ui_(ui), tempFiles_(tempFiles) {}

    QString Make_Output_Name(const QString& base);
    QString Make_Temp_Name();

    // A Garmin download's first point file, opened before any point arrives; false
    // after telling the user why.
    bool startDownload();
    // At a new segment starts the next file when splitting; the caption shows
    // `recordCount`, the records handled before this point. A point without a position
    // is counted and left out; a segment it began begins at the next point stored.
    // `elevation` in metres, NaN when the point has none.
    void Write_Track_Point(const garmin::cTrack& t, float elevation, std::int32_t recordCount);
    // A track header: the points that follow belong to a track of this name (the
    // receiver's bytes, one character each).
    void startTrack(const std::string& name);
    // Points stored and points left out since startDownload().
    std::int64_t pointsStored() const { return pointsStored_; }
    std::int64_t pointsWithoutPosition() const { return pointsWithoutPosition_; }
    // Closes and deletes the point file of a download that stored no point.
    void discardEmpty();
    // Closes the point file; false when it failed, now or earlier (the user was told).
    bool closePointFile();
    // Closes the point file of a transfer that was cut short, and deletes it when
    // not a point had arrived; false as closePointFile.
    bool closeCutShort();
    // Lets go of the point file without finishing it: the program is ending.
    void dropPointFile() { FileNumber.reset(); }
    // Where the points of a transfer that did not end are, as a line for the user.
    // The file is written out first, so they are on disk whatever happens next.
    QString pointsKeptText();

    // A Magellan download's one output file, and a new temporary point file for it.
    void startSingleFile(const QString& outFileName) {
        OutFileName = outFileName;
        segmentStarts_.clear();
        trackStarts_.clear();
        elevations_.clear();
    }
    QString newTempFile();

    bool Finish_Output_File();

  private:
    // Opens a new temporary point file; at a split the temporary name is made before
    // the output name.
    bool setUpPointFile(bool atSplit);
    void appendPoint(const garmin::cTrack& t, float elevation);
    void notePointStored(float elevation);
    // Tells the user once per point file; `pointsKept` when the file holds what came before.
    void pointFileFailed(const QString& what, bool pointsKept);

    DownloadUi& ui_;
    TempFiles& tempFiles_;

    coords::FileHandle FileNumber;  // the open temporary point file of a Garmin download
    QString TempFileName;
    QString OutFileName;
    std::int16_t SplitCount = 0;
    bool FirstSegment = true;
    QString firstOutFile_;  // the output name the download started with
    bool pointFileFailed_ = false;
    // Without a split, where the segments begin in the one point file (lines counting
    // from 1), so that a GPX output keeps them apart; where tracks begin, with their
    // names; and, for a GPX output only, each point's elevation. The point file itself
    // stays as the text outputs need it.
    std::vector<std::uint64_t> segmentStarts_;
    std::vector<coords::TrackStart> trackStarts_;
    std::vector<float> elevations_;
    bool keepElevations_ = false;  // the output is GPX
    std::uint64_t pointsInFile_ = 0;
    bool segmentPending_ = false;  // a point left out began a segment
    // The name of the track the points belong to, given again to every split file.
    std::optional<std::string> trackName_;
    bool trackPending_ = false;  // the next point stored begins a track
    std::int64_t pointsStored_ = 0;
    std::int64_t pointsWithoutPosition_ = 0;
};

}  // namespace app
