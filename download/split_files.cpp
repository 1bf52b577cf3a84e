#include "download/split_files.h"

#include <QFile>
#include <stdexcept>
#include <utility>

#include "download/finishing_pass.h"
#include "download/output_name.h"

namespace app {

void SplitFiles::restart() {
    FirstSegment = true;
    SplitCount = 0;
    splitBase_.clear();
}

QString SplitFiles::Make_Output_Name(const QString& base, bool split) {
    if (!split) return base;
    if (SplitCount == INT16_MAX) throw std::overflow_error("too many numbered output files");
    ++SplitCount;
    splitBase_ = base;
    return numberedOutputName(base, SplitCount);
}

bool SplitFiles::newFileAt() {
    return !std::exchange(FirstSegment, false);
}

bool SplitFiles::finishWaiting(FinishingPass& pass) {
    bool allMade = true;
    for (const PointFileParts& parts : std::exchange(waiting_, {}))
        allMade = pass.Finish_Output_File(parts) && allMade;
    return allMade;
}

void SplitFiles::discardWaiting() {
    for (const PointFileParts& parts : std::exchange(waiting_, {})) {
        QFile::remove(parts.pointFile);
        if (!parts.elevationsFile.isEmpty()) QFile::remove(parts.elevationsFile);
    }
}

std::vector<int> SplitFiles::alreadyThere() const {
    if (splitBase_.isEmpty()) return {};
    return numberedFilesAfter(splitBase_, SplitCount);
}

}  // namespace app
