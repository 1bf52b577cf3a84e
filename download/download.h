// The shape both receiver families' downloads share, so that whoever runs one (the
// window, or a program without one) need not know its steps.
#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace app {

// The port and speed chosen for one download.
struct PortChoice {
    int port = 1;   // 1 = COM1
    QString speed;  // in bit/s, as the speed list shows it
    // A device chosen by its path (from the devices present, or on a command line);
    // empty when `port` names the device.
    QString device;
    // Where a frame trace goes; empty leaves it to the settings and the environment.
    QString traceFile;
    // The speed in bit/s to move a Garmin receiver to for its track, 0 for none; nothing
    // leaves it to the settings' [Settings] SwitchSpeed (absent: 115200).
    std::optional<int> switchSpeed = std::nullopt;
};

class Download {
  public:
    virtual ~Download() = default;
    // Starts the download and returns; it goes on from the port's events, the reply timer and
    // the deadline (a Garmin receiver's identification included).
    virtual void start(const PortChoice& choice) = 0;
    // An event of the serial port, while this family is chosen.
    virtual void onPortEvent() = 0;
    // An event of the USB unit (a transfer that came, or an error), while this family is
    // chosen.
    virtual void onUsbEvent() {}
    // A tick of the reply timer.
    virtual void onTimerTick() = 0;
    // The deadline the download armed has passed.
    virtual void onDeadline() {}
    // True while the download still works with the receiver or the file after start() has
    // returned: a receiver identified, moved to another speed, sending its track or moved
    // back; a reply collected; a file read in steps.
    virtual bool inProgress() const = 0;
    // Asks the receiver to stop sending and keeps the points that arrived (an
    // interrupted command line); nothing when no transfer runs. `done` runs once the
    // download has let go of the receiver (a Garmin unit moved to a faster speed is moved
    // back first), at once when there is nothing to wait for.
    virtual void abortTransfer(std::function<void()> done) { done(); }
    // A second interrupt: what waits for the receiver (a Garmin unit on its way back to its
    // speed) is given up, and what was to follow the wait follows at once.
    virtual void stopWaiting() {}
    // True once every point has arrived and the output is being made: an interrupt then
    // stops nothing.
    virtual bool trackComplete() const { return false; }
    // Lets go of the receiver before the program ends (the window's Cancel): a Garmin unit
    // moved to a faster speed is moved back, then `then` runs; at once when nothing is held.
    virtual void release(std::function<void()> then) { then(); }
};

}  // namespace app
