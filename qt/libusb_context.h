// A libusb context of its own, so that the port and the enumeration never share libusb's
// default one with a library that might also use it.
#pragma once

#include <libusb.h>

namespace app {

class LibusbContext {
  public:
    LibusbContext() { error_ = libusb_init(&context_); }
    ~LibusbContext() {
        if (error_ == LIBUSB_SUCCESS) libusb_exit(context_);
    }
    LibusbContext(const LibusbContext&) = delete;
    LibusbContext& operator=(const LibusbContext&) = delete;

    // Null when libusb could not start (no usbfs, no udev); error() says why.
    libusb_context* get() const { return error_ == LIBUSB_SUCCESS ? context_ : nullptr; }
    int error() const { return error_; }

  private:
    libusb_context* context_ = nullptr;
    int error_ = LIBUSB_SUCCESS;
};

}  // namespace app
