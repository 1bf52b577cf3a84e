// The track file writer: output and temporary names, the temporary point file of a
// Garmin download with its split at new segments, and the finishing step that turns a
// point file into the output file. It writes files only: what the user is told of a
// failure, and how, is the download's (app/file_messages.h words it).
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <functional>

#include "app/download_services.h"
#include "app/download_ui.h"
#include "garmin/track.h"
#include "trackfile/convert.h"
#include "trackfile/file_handle.h"

namespace app {

// A file the writer could not make or write, as the download needs it to tell the user.
struct WriterFailure {
    enum class Kind {
        CannotStart,     // no name for the next point file: `reason`
        CannotOpen,      // the point file `file` would not open: `reason`
        CannotWrite,     // writing the point file `file` failed: `reason`
        PointNotStored,  // a point could not be formatted: `reason`
        OutputFailed,    // the output `output` could not be made from the point file `file`
        BadDeviation,    // ... since the deviation typed, `reason`, is not a number
    };
    Kind kind;
    QString file;
    QString reason;
    bool pointsKept = false;  // the point file keeps the points before the failure
    QString output;
};

// The output files one download made, and the points that went into them.
struct WrittenFiles {
    int files = 0;
    QString first;  // the first and the last file made
    QString last;
    std::int64_t pointsRead = 0;     // from the point files of the files made
    std::int64_t pointsWritten = 0;  // into those files: fewer when reduced
    // When the output was split: the numbered names of `base` above the last number
    // this download gave, whose files were there already and were left as they are.
    QString base;
    std::vector<int> alreadyThere;
};

// Where the points of a transfer that did not end are.
struct KeptPoints {
    enum class Where {
        LostAfterFailure,  // the last file failed: those after it were not stored
        NoneYet,           // no point had arrived
        SinceLastFile,     // in `file`, since the last numbered file was started
        SoFar,             // in `file`, all of them
    };
    Where where;
    QString file;
    // The files made before (SinceLastFile), and all the points stored.
    WrittenFiles written = {};
    std::int64_t pointsStored = 0;
};

class TrackFileWriter {
  public:
    using Choices = std::function<FileChoices()>;
    using FailureReport = std::function<void(const WriterFailure&)>;

    // The choices are read each time they matter; a failure is reported once per
    // point file, and for each output that cannot be made.
    TrackFileWriter(TempFiles& tempFiles, Choices choices, FailureReport failed)
        : tempFiles_(tempFiles), choices_(std::move(choices)), failed_(std::move(failed)) {}

    QString Make_Output_Name(const QString& base);
    QString Make_Temp_Name();

    // A Garmin download's first point file, opened before any point arrives; false
    // after telling the user why.
    bool startDownload();
    // At a new segment starts the next file when splitting. A point without a position
    // is counted and left out; a segment it began begins at the next point stored.
    // `elevation` in metres, NaN when the point has none.
    void Write_Track_Point(const garmin::cTrack& t, float elevation);
    // A track header: the points that follow belong to a track of this name (the
    // receiver's bytes, one character each).
    void startTrack(const std::string& name);
    // The same for a name in UTF-8 (a GPX file's).
    void startTrackUtf8(const std::string& name);
    // A point of a track file whose elevation or time is out of range: counted and left
    // out; the reader carries a segment it began to the next point.
    void leaveOutOfRange() { ++pointsOutOfRange_; }
    // Points stored and points left out since startDownload().
    std::int64_t pointsStored() const { return pointsStored_; }
    std::int64_t pointsWithoutPosition() const { return pointsWithoutPosition_; }
    std::int64_t pointsOutOfRange() const { return pointsOutOfRange_; }
    // The files made since the download started, with the numbered files of an earlier
    // run found beside them.
    WrittenFiles written() const;
    // Closes and deletes the point file of a download that stored no point.
    void discardEmpty();
    // Closes the point file; false when it failed, now or earlier (that was reported).
    bool closePointFile();
    // Closes the point file of a transfer that was cut short, and deletes it when
    // not a point had arrived; false as closePointFile.
    bool closeCutShort();
    // Off, points are written in the file's buffer and reach it when the buffer is full or
    // the file is closed: for a source that can be read again, which a crash cannot lose.
    void setWriteThrough(bool on) { writeThrough_ = on; }
    // On, a split file is not made when the next segment starts but waits, with its
    // point file, until finishWaitingFiles(): for a source read whole before anything is
    // made, so that a source that fails halfway leaves no numbered file.
    void setSplitFilesWait(bool on) { splitFilesWait_ = on; }
    // Makes the split files that wait, in order; false when one could not be made (each
    // failure was reported).
    bool finishWaitingFiles();
    // Off, the point file of an output that could not be made is deleted with it: for a
    // source whose points are still where they were read from.
    void setKeepPointsOnFailure(bool on) { keepPointsOnFailure_ = on; }
    // Whether a file of this download failed, a point file or an output, however many were
    // made after it: the download then ends with that failure (each was reported).
    bool anyFileFailed() const { return anyFileFailed_; }
    // How a download whose output could not be made ended: OutsideGrid when a point lay
    // outside the chosen grid's area, else OutputFailed.
    DownloadEnd failureEnd() const {
        return outsideGrid_ ? DownloadEnd::OutsideGrid : DownloadEnd::OutputFailed;
    }
    // Deletes the point files of the split files that wait, which are then not made.
    void discardWaitingFiles();
    // Lets go of the point file without finishing it: the program is ending.
    void dropPointFile() {
        FileNumber.reset();
        dropElevations();
    }
    // Where the points of a transfer that did not end are. The file is written out
    // first, so they are on disk whatever happens next.
    KeptPoints keptPoints();

    // A Magellan download's one output file, and a new temporary point file for it.
    void startSingleFile(const QString& outFileName) {
        OutFileName = outFileName;
        written_ = {};
        outsideGrid_ = false;
        anyFileFailed_ = false;
        segmentStarts_.clear();
        trackStarts_.clear();
        dropElevations();
    }
    QString newTempFile();

    bool Finish_Output_File();

  private:
    // A closed point file and what its output needs beside it.
    struct PointFileParts {
        QString pointFile;
        QString output;
        std::vector<std::uint64_t> segmentStarts;
        std::vector<trackfile::TrackStart> trackStarts;
        QString elevationsFile;  // empty for the text outputs
    };
    // Makes `parts.output` from its point file and deletes the files it was made from.
    bool finishFile(const PointFileParts& parts);
    // The closed point file waits for finishWaitingFiles(), its elevations with it.
    void keepWaiting();
    // Opens a new temporary point file; at a split the temporary name is made before
    // the output name.
    bool setUpPointFile(bool atSplit);
    void appendPoint(const garmin::cTrack& t, float elevation);
    void notePointStored(float elevation);
    // Starts the elevations file of a GPX output (none for the text outputs).
    void startElevations();
    void dropElevations();
    // Reported once per point file; `pointsKept` when the file holds what came before.
    void pointFileFailed(WriterFailure::Kind kind, const QString& reason, bool pointsKept);

    TempFiles& tempFiles_;
    Choices choices_;
    FailureReport failed_;

    trackfile::FileHandle FileNumber;  // the open temporary point file of a Garmin download
    QString TempFileName;
    QString OutFileName;
    std::int16_t SplitCount = 0;
    bool FirstSegment = true;
    QString firstOutFile_;  // the output name the download started with
    bool pointFileFailed_ = false;
    bool writeThrough_ = true;  // each point is flushed as it is written
    bool splitFilesWait_ = false;
    bool keepPointsOnFailure_ = true;
    bool outsideGrid_ = false;  // an output of this download was refused for a point's place
    bool anyFileFailed_ = false;
    std::vector<PointFileParts> waitingFiles_;
    // Without a split, where the segments begin in the one point file (lines counting
    // from 1), so that a GPX output keeps them apart; where tracks begin, with their
    // names; and, for a GPX output only, each point's elevation. The point file itself
    // stays as the text outputs need it.
    std::vector<std::uint64_t> segmentStarts_;
    std::vector<trackfile::TrackStart> trackStarts_;
    // For a GPX output, each point's elevation in a file beside the point file (a float
    // a point), so that memory does not grow with the track.
    trackfile::FileHandle elevations_;
    QString elevationsFileName_;
    std::uint64_t pointsInFile_ = 0;
    bool segmentPending_ = false;  // a point left out began a segment
    // The name of the track the points belong to (UTF-8), given again to every split file.
    std::optional<std::string> trackName_;
    bool trackPending_ = false;  // the next point stored begins a track
    std::int64_t pointsStored_ = 0;
    std::int64_t pointsWithoutPosition_ = 0;
    std::int64_t pointsOutOfRange_ = 0;
    WrittenFiles written_;
    QString splitBase_;  // the name the numbered files were made from, last
};

}  // namespace app
