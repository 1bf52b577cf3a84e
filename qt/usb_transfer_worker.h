// The thread a USB unit's transfers run on: one at a time, synchronously, so the window's
// thread never waits on the unit. Writes queued go first; a read asked for is made in
// short slices and made again while it is still asked for, so that stop() ends it within
// a slice without cancelling a transfer the unit has answered.
#pragma once

#include <libusb.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "qt/usb_endpoints.h"
#include "seams/usb_port.h"

namespace app {

// The read buffers are fixed: a Garmin sends at most 64 bytes a transfer on the interrupt
// endpoint and packets of up to 4 KiB on bulk IN (a longer transfer fails as an overflow,
// and ends the port). Emulated units' scripts name these sizes too.
inline constexpr int kInterruptReadSize = 64;
inline constexpr int kBulkReadSize = 4096;
// How long a read waits before the thread looks again whether it is still wanted.
inline constexpr unsigned kReadSliceMs = 100;
inline constexpr unsigned kWriteTimeoutMs = 2000;

class UsbTransferWorker {
  public:
    // A read that came, or the libusb error that ended the transfers (read empty).
    struct Outcome {
        std::optional<seams::UsbRead> read;
        int error = LIBUSB_SUCCESS;
    };
    // Both run on the worker's thread: `deliver` for each outcome, `finish` once after
    // the last transfer, to give the unit back there.
    UsbTransferWorker(libusb_device_handle* handle, const UsbEndpoints& endpoints,
                      std::function<void(Outcome)> deliver, std::function<void()> finish);
    // Stops and waits for the thread: at most one read slice or one write.
    ~UsbTransferWorker();
    UsbTransferWorker(const UsbTransferWorker&) = delete;
    UsbTransferWorker& operator=(const UsbTransferWorker&) = delete;

    void write(std::string bytes);
    void read(seams::UsbEndpoint endpoint);
    // Asks the thread to end after the transfer it is making; returns at once.
    void stop();

  private:
    struct Job {
        std::optional<std::string> write;
        seams::UsbEndpoint read = seams::UsbEndpoint::Interrupt;
    };
    void run();
    bool nextJob(Job& job);
    int doWrite(std::string& bytes);
    int doRead(seams::UsbEndpoint endpoint);
    bool stillWanted();

    libusb_device_handle* handle_;
    UsbEndpoints endpoints_;
    std::function<void(Outcome)> deliver_;
    std::function<void()> finish_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::string> writes_;
    std::optional<seams::UsbEndpoint> wanted_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace app
