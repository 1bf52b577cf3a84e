// Reads the track points of a file of any origin: GPX, FIT, or a temporary point file that
// a download kept. The kind is told by the file's first bytes, not its name, and the file is
// read once, from the device opened (standard input, a pipe and a FIFO too). It is read in
// steps that never wait for a writer, so that whoever reads a long file or a pipe can do
// other work between them.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

#include "source/track_sink.h"

namespace source {

class TrackInput;

enum class TrackFileKind { Gpx, Fit, PointFile };

class TrackFileReader {
  public:
    // Opens `path` ("-": standard input) for reading into `sink`, without waiting for a
    // writer; throws ReadError when it cannot be opened.
    TrackFileReader(const QString& path, TrackSink& sink);
    ~TrackFileReader();

    // How messages call the file: its path, or "standard input".
    const QString& name() const;
    // Hands every point to the sink, waiting for a pipe's writer as long as it takes;
    // throws ReadError at the first fault.
    void read();
    enum class Step {
        More,     // call again
        Waiting,  // a pipe has sent nothing new yet: call again a little later
        Done,     // the whole file has been read
    };
    // Hands at most `points` more points to the sink, without waiting. Throws ReadError at
    // the first fault, or when the file is none of the three kinds.
    Step readSome(std::int64_t points);

    // One kind's reader over the open file.
    class Steps;

  private:
    TrackSink& sink_;
    std::unique_ptr<TrackInput> input_;
    std::optional<TrackFileKind> kind_;
    std::unique_ptr<Steps> steps_;
};

}  // namespace source
