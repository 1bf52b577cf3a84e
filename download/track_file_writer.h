// The track file writer: every download's point sink. It names the output and temporary
// files and puts together the point file (TempPointFile), the numbered files of a split
// (SplitFiles) and the finishing step (FinishingPass). It writes files only: what the user
// is told of a failure, and how, is the download's (app/file_messages.h words it).
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <string>

#include "download/download_services.h"
#include "download/download_ui.h"
#include "download/finishing_pass.h"
#include "download/split_files.h"
#include "download/temp_point_file.h"
#include "overview/track_overview.h"
#include "seams/point_sink.h"

namespace app {

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

class TrackFileWriter final : public seams::PointSink {
  public:
    using Choices = FinishingPass::Choices;

    // The choices are read each time they matter; a failure is reported once per
    // point file, and for each output that cannot be made.
    // `overview`, when given, is fed every point stored as it is stored.
    TrackFileWriter(TempFiles& tempFiles, Choices choices, FailureReport failed,
                    overview::TrackOverview* overview = nullptr);

    QString Make_Temp_Name() { return tempFiles_.create(); }

    // A download's first point file, opened before any point arrives; false after telling
    // the user why.
    bool startDownload();
    // At a new segment starts the next file when splitting.
    void point(const seams::Point& p) override;
    void startTrack(const std::string& name) override;
    void pointWithoutPosition(bool newSegment) override;
    void pointOutOfRange() override { ++pointsOutOfRange_; }
    // Points stored and points left out since startDownload().
    std::int64_t pointsStored() const { return pointsStored_; }
    std::int64_t pointsWithoutPosition() const { return pointsWithoutPosition_; }
    std::int64_t pointsOutOfRange() const { return pointsOutOfRange_; }
    // The files made since the download started, with the numbered files of an earlier
    // run found beside them.
    WrittenFiles written() const;
    // Closes and deletes the point file of a download that stored no point.
    void discardEmpty() { file_.discard(); }
    // Closes the point file; false when it failed, now or earlier (that was reported).
    bool closePointFile();
    // Closes the point file of a transfer that was cut short, and deletes it when
    // not a point had arrived; false as closePointFile.
    bool closeCutShort();
    // Off, points are written in the file's buffer and reach it when the buffer is full or
    // the file is closed: for a source that can be read again, which a crash cannot lose.
    void setWriteThrough(bool on) { file_.setWriteThrough(on); }
    // On, a split file is not made when the next segment starts but waits, with its
    // point file, until finishWaitingFiles(): for a source read whole before anything is
    // made, so that a source that fails halfway leaves no numbered file.
    void setSplitFilesWait(bool on) { splitFilesWait_ = on; }
    // Makes the split files that wait, in order; false when one could not be made (each
    // failure was reported).
    bool finishWaitingFiles() { return split_.finishWaiting(pass_); }
    // Off, the point file of an output that could not be made is deleted with it: for a
    // source whose points are still where they were read from.
    void setKeepPointsOnFailure(bool on) { pass_.setKeepPointsOnFailure(on); }
    // Whether a file of this download failed, a point file or an output, however many were
    // made after it: the download then ends with that failure (each was reported).
    bool anyFileFailed() const { return anyFileFailed_; }
    // How a download whose output could not be made ended: OutsideGrid when a point lay
    // outside the chosen grid's area, else OutputFailed.
    DownloadEnd failureEnd() const {
        return pass_.outsideGrid() ? DownloadEnd::OutsideGrid : DownloadEnd::OutputFailed;
    }
    // Deletes the point files of the split files that wait, which are then not made.
    void discardWaitingFiles() { split_.discardWaiting(); }
    // Lets go of the point file without finishing it: the program is ending.
    void dropPointFile() { file_.drop(); }
    // Where the points of a transfer that did not end are. The file is written out
    // first, so they are on disk whatever happens next.
    KeptPoints keptPoints();

    // A download of one output file whose points come all at once (a Magellan reply):
    // the output, then its point file once the points come; false after telling why.
    void startSingleFile(const QString& outFileName);
    bool openSingleFile();

    // Makes the output of the closed point file.
    bool Finish_Output_File() { return pass_.Finish_Output_File(file_.parts(OutFileName)); }

  private:
    // Opens a new temporary point file; at a split the temporary name is made before
    // the output name.
    bool setUpPointFile(bool atSplit);
    // The point file so far is finished, or waits, and the next one opened.
    void nextFile();
    void failed(const WriterFailure& failure);
    void startOverview(const FileChoices& choices);

    TempFiles& tempFiles_;
    Choices choices_;
    FailureReport failed_;
    TempPointFile file_;
    SplitFiles split_;
    FinishingPass pass_;
    overview::TrackOverview* overview_;
    QString OutFileName;
    QString firstOutFile_;  // the output name the download started with
    bool splitFilesWait_ = false;
    bool anyFileFailed_ = false;
    std::int64_t pointsStored_ = 0;
    std::int64_t pointsWithoutPosition_ = 0;
    std::int64_t pointsOutOfRange_ = 0;
};

}  // namespace app
