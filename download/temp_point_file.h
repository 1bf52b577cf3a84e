// The temporary point file of one output: the points in the form the conversion pass reads,
// and beside them what a GPX output needs and the point file cannot hold: where segments
// and tracks begin, and each point's elevation in a file of its own.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "seams/point_sink.h"
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
using FailureReport = std::function<void(const WriterFailure&)>;

// A closed point file and what its output needs beside it.
struct PointFileParts {
    QString pointFile;
    QString output;
    std::vector<std::uint64_t> segmentStarts;
    std::vector<trackfile::TrackStart> trackStarts;
    QString elevationsFile;  // empty for the text outputs
};

class TempPointFile {
  public:
    // A failure is reported once per point file.
    explicit TempPointFile(FailureReport failed) : failed_(std::move(failed)) {}

    // Opens `name` emptied, with an elevations file beside it when `withElevations`; false
    // after reporting why. A track begun before goes on in the new file.
    bool open(const QString& name, bool withElevations);
    // No name could be made for the next point file: reported, and nothing is open.
    void cannotStart(const QString& reason);
    // The points that follow belong to a track of this name (UTF-8).
    void startTrack(const std::string& name);
    // A point left out: a segment it began begins at the next point stored.
    void leaveOut(bool newSegment) { segmentPending_ = segmentPending_ || newSegment; }
    // Whether `p` begins a segment, one begun by a point left out included.
    bool beginsSegment(const seams::Point& p) const { return segmentPending_ || p.newSegment; }
    // Stores `p`; `keepSegments`: the one output of a download keeps its segments apart.
    // False when it was not stored: the file failed, now or earlier.
    bool append(const seams::Point& p, bool keepSegments);
    // Closes the file; false when it failed, now or earlier (that was reported).
    bool close();
    // The closed file as its output `output` is made from it; the elevations file is
    // written out and from then on the output's.
    PointFileParts parts(const QString& output);
    // Closes and deletes the file with its elevations.
    void discard();
    // Lets go of the file without finishing it, and deletes the elevations only an output
    // made from it needs.
    void drop();
    // Writes out what is buffered, so the points are on disk whatever happens next.
    void flush();
    // Whether the file on disk holds no point.
    bool emptyOnDisk() const;
    // A new download: no track, no segment pending.
    void forgetTrack();

    bool isOpen() const { return FileNumber != nullptr; }
    bool failed() const { return hasFailed_; }
    const QString& name() const { return TempFileName; }
    // Off, points reach the file when its buffer is full or it is closed.
    void setWriteThrough(bool on) { writeThrough_ = on; }

  private:
    // Every point file starts without points, segments and failures.
    void restart();
    void startElevations();
    void dropElevations();
    void fail(WriterFailure::Kind kind, const QString& reason, bool pointsKept);

    FailureReport failed_;
    trackfile::FileHandle FileNumber;
    QString TempFileName;
    bool hasFailed_ = false;
    bool writeThrough_ = true;  // each point is flushed as it is written
    // Where the segments begin (lines counting from 1) and where tracks begin, with their
    // names: the point file itself stays as the text outputs need it.
    std::vector<std::uint64_t> segmentStarts_;
    std::vector<trackfile::TrackStart> trackStarts_;
    // For a GPX output, each point's elevation (a float a point), so that memory does not
    // grow with the track.
    trackfile::FileHandle elevations_;
    QString elevationsFileName_;
    std::uint64_t pointsInFile_ = 0;
    bool segmentPending_ = false;
    // Given again to every file that follows, as the track goes on there.
    std::optional<std::string> trackName_;
    bool trackPending_ = false;  // the next point stored begins a track
};

}  // namespace app
