// A USB serial adapter's driver holds received bytes for up to 16 ms before passing them on
// (FTDI's default latency timer), so a protocol that waits for each acknowledgement crawls at
// about 50 packets a second. Asking the driver for low latency passes each byte on at once.
// The flag belongs to the device, not to this program: the setting found is put back at close.
#pragma once

namespace app {

class LowLatency {
  public:
    // Asks the driver of the open line `fd` for low latency. A line that does not know the
    // request (a pseudo-terminal, most built-in ports) is left as it is.
    void request(int fd);
    // Puts back the setting found by request(), on the same line before it closes.
    void restore(int fd);

  private:
    bool changed_ = false;  // request() turned the flag on, so restore() turns it off
};

}  // namespace app
