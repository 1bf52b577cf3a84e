// The simulator's end of the serial cable: a pseudo-terminal master in raw mode. The
// simulator also keeps the slave open itself, so the host may open and close the device as
// often as it likes without the master ever seeing a hang-up. Once it lets go of the slave,
// the master reports a hang-up (POLLHUP) as soon as no host holds the device open either.
#pragma once

#include <string>

namespace ksim {

class PtyPort {
  public:
    PtyPort() = default;
    ~PtyPort();
    PtyPort(const PtyPort&) = delete;
    PtyPort& operator=(const PtyPort&) = delete;

    // Returns an error text, empty on success.
    std::string open();
    // Makes `path` a symlink to the device, replacing whatever is there.
    std::string makeLink(const std::string& path);
    // Removes the link if it still points at this device.
    void removeLink();

    int masterFd() const { return master_; }
    const std::string& devicePath() const { return device_; }
    // Closes the simulator's own slave end, so that the host's close is heard.
    void releaseSlave();
    // The speed in bit/s the host has set its end of the line to: both ends of a
    // pseudo-terminal see the settings of its slave. 0 when it cannot be read.
    int hostSpeed() const;
    // Sets the line's speed as a host would, so that a host which does not set one finds it.
    void presetSpeed(int bitsPerSecond);

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string device_;
    std::string link_;
};

}  // namespace ksim
