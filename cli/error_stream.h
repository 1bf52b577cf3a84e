// Standard error that never holds the program up for long. A reader that stops reading
// (a full pipe, a pager left open, a stopped terminal) must not keep a download from
// answering its receiver or from writing its output file.
#pragma once

#include <QByteArray>

namespace cli {

class ErrorStream {
  public:
    explicit ErrorStream(int fd);

    // Writes `bytes` when there is room for them now; false, and nothing written, when
    // there is not.
    bool writeNow(const QByteArray& bytes);
    // Writes `bytes`, waiting at most `waitMs` for room; what does not fit by then is
    // dropped. Once a wait has run out, later writes wait no more until one goes
    // through whole: a reader that has stopped costs the wait once, not at every line.
    void write(const QByteArray& bytes, int waitMs);

  private:
    // Writes from `bytes` what room allows within `waitMs`; the number written.
    qsizetype writeWithin(const QByteArray& bytes, int waitMs);

    const int fd_;
    bool stuck_ = false;
};

}  // namespace cli
