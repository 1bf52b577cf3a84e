// The numbered output files of a download split at new segments: their names, where a new
// one begins, the files that wait until a source has been read whole, and the numbered
// files of an earlier run found above the last number given.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "download/temp_point_file.h"

namespace app {

class FinishingPass;

class SplitFiles {
  public:
    // Numbering starts again from 1; the first segment start belongs to the first file.
    void restart();
    // `base` when not splitting; else its next numbered name. Throws std::overflow_error
    // past the 32767th.
    QString Make_Output_Name(const QString& base, bool split);
    // A point that begins a segment has come: whether it begins a new file. The first file
    // was opened before any point arrived, so the first segment start is its own.
    bool newFileAt();
    // The closed point file waits for finishWaiting().
    void wait(PointFileParts parts) { waiting_.push_back(std::move(parts)); }
    // Makes the files that wait, in order; false when one could not be made.
    bool finishWaiting(FinishingPass& pass);
    // Deletes the point files of those that wait, which are then not made.
    void discardWaiting();
    // The name the numbered files were made from (empty without a split) and the numbered
    // files above the last number given that are there already.
    const QString& base() const { return splitBase_; }
    std::vector<int> alreadyThere() const;

  private:
    std::int16_t SplitCount = 0;
    bool FirstSegment = true;
    QString splitBase_;
    std::vector<PointFileParts> waiting_;
};

}  // namespace app
