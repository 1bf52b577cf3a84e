// The finishing step of every output file: the conversion pass from its closed point file,
// with the choices of that moment, then the files it was made from deleted. It counts what
// it made for the download's last message.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "download/download_ui.h"
#include "download/temp_point_file.h"

namespace app {

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

class FinishingPass {
  public:
    using Choices = std::function<FileChoices()>;

    // The choices are read for each file; each output that cannot be made is reported.
    FinishingPass(Choices choices, FailureReport failed)
        : choices_(std::move(choices)), failed_(std::move(failed)) {}

    // A new download: nothing made yet.
    void restart() {
        written_ = {};
        outsideGrid_ = false;
    }
    // Makes `parts.output` from its point file and deletes the files it was made from.
    bool Finish_Output_File(const PointFileParts& parts);
    // Off, the point file of an output that could not be made is deleted with it: for a
    // source whose points are still where they were read from.
    void setKeepPointsOnFailure(bool on) { keepPointsOnFailure_ = on; }
    // The files made since restart(), without the numbered files found beside them.
    const WrittenFiles& written() const { return written_; }
    // An output was refused for a point outside the chosen grid's area.
    bool outsideGrid() const { return outsideGrid_; }

  private:
    Choices choices_;
    FailureReport failed_;
    bool keepPointsOnFailure_ = true;
    bool outsideGrid_ = false;
    WrittenFiles written_;
};

}  // namespace app
