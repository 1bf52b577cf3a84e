// The seams both download families drive the outside world through: the serial port,
// the reply timer and a deadline. Nothing here waits: a download returns and is called
// back. The program plugs Qt into these;
// tests plug in fakes or a real pseudo-terminal.
#pragma once

#include <string>

namespace seams {

// Kinds of serial port events, as the window hands them on.
constexpr int kCommEvReceive = 2;          // data received
constexpr int kCommErrorThreshold = 1000;  // every kind above this is a communication error

class SerialPort {
  public:
    virtual ~SerialPort() = default;
    virtual bool isOpen() const = 0;
    // Opens port number `port` (1 = the first port) with line settings such as
    // "9600,n,8,1": no handshaking, no translation, every byte value passes.
    // A failed open leaves the port closed and returns false.
    virtual bool open(int port, const std::string& settings) = 0;
    virtual void close() = 0;
    // Writes all bytes in one call; one char is one byte.
    virtual void write(const std::string& bytes) = 0;
    // Returns everything received so far, or an empty string; never waits.
    virtual std::string readAll() = 0;
    // Drops what was received and not yet read.
    virtual void discardInput() = 0;
    // Moves the open port to `bitsPerSecond` once everything written so far has left it
    // (drained, never discarded), keeping its other settings. False when the port is
    // closed or refuses the speed; it then stays as it was.
    virtual bool setSpeed(int bitsPerSecond) = 0;
    // The kind of the event being delivered right now (kCommEvReceive, or an error kind).
    virtual int commEvent() const = 0;
};

// The reply timer: once armed it ticks periodically until disarmed.
class ReplyTimer {
  public:
    virtual ~ReplyTimer() = default;
    virtual void arm() = 0;
    virtual void disarm() = 0;
    virtual bool isArmed() const = 0;
};

// A one-shot deadline: once armed it fires once, after the time given, unless it is
// disarmed or armed anew first. A download waits for it by returning to the event loop.
class Deadline {
  public:
    virtual ~Deadline() = default;
    virtual void arm(double seconds) = 0;
    virtual void disarm() = 0;
};

}  // namespace seams
