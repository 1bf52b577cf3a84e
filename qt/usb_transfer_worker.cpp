#include "qt/usb_transfer_worker.h"

#include <algorithm>
#include <vector>

namespace app {

UsbTransferWorker::UsbTransferWorker(libusb_device_handle* handle, const UsbEndpoints& endpoints,
                                     std::function<void(Outcome)> deliver,
                                     std::function<void()> finish)
    : handle_(handle),
      endpoints_(endpoints),
      deliver_(std::move(deliver)),
      finish_(std::move(finish)),
      thread_([this] { run(); }) {}

UsbTransferWorker::~UsbTransferWorker() {
    stop();
    if (thread_.joinable()) thread_.join();
}

void UsbTransferWorker::write(std::string bytes) {
    {
        const std::lock_guard lock(mutex_);
        writes_.push_back(std::move(bytes));
    }
    wake_.notify_one();
}

void UsbTransferWorker::read(seams::UsbEndpoint endpoint) {
    {
        const std::lock_guard lock(mutex_);
        wanted_ = endpoint;
    }
    wake_.notify_one();
}

void UsbTransferWorker::stop() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
}

void UsbTransferWorker::run() {
    Job job;
    while (nextJob(job)) {
        const int error = job.write ? doWrite(*job.write) : doRead(job.read);
        if (error != LIBUSB_SUCCESS) {
            deliver_({std::nullopt, error});
            break;
        }
    }
    finish_();
}

bool UsbTransferWorker::nextJob(Job& job) {
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return stopping_ || !writes_.empty() || wanted_; });
    if (stopping_) return false;
    job.write.reset();
    if (!writes_.empty()) {
        job.write = std::move(writes_.front());
        writes_.pop_front();
    } else {
        job.read = *wanted_;
    }
    return true;
}

// A unit that takes no write in time has stopped listening; the download's own reply
// timer tells the user, so the write is only dropped here.
int UsbTransferWorker::doWrite(std::string& bytes) {
    std::vector<unsigned char> data(bytes.begin(), bytes.end());
    data.reserve(1);  // a zero-length packet still goes from a buffer
    int sent = 0;
    const int result = libusb_bulk_transfer(handle_, endpoints_.bulkOut, data.data(),
                                            static_cast<int>(data.size()), &sent, kWriteTimeoutMs);
    return result == LIBUSB_ERROR_TIMEOUT ? LIBUSB_SUCCESS : result;
}

int UsbTransferWorker::doRead(seams::UsbEndpoint endpoint) {
    const bool interrupt = endpoint == seams::UsbEndpoint::Interrupt;
    std::vector<unsigned char> buffer(interrupt ? kInterruptReadSize : kBulkReadSize);
    int got = 0;
    const int result =
        interrupt ? libusb_interrupt_transfer(handle_, endpoints_.interruptIn, buffer.data(),
                                              kInterruptReadSize, &got, kReadSliceMs)
                  : libusb_bulk_transfer(handle_, endpoints_.bulkIn, buffer.data(), kBulkReadSize,
                                         &got, kReadSliceMs);
    // A slice that ends with bytes brought them: they are the transfer.
    const bool came = result == LIBUSB_SUCCESS || (result == LIBUSB_ERROR_TIMEOUT && got > 0);
    if (!came)
        return result == LIBUSB_ERROR_TIMEOUT || result == LIBUSB_ERROR_INTERRUPTED ? LIBUSB_SUCCESS
                                                                                    : result;
    if (!stillWanted()) return LIBUSB_SUCCESS;
    const auto length =
        static_cast<std::size_t>(std::clamp(got, 0, static_cast<int>(buffer.size())));
    deliver_({seams::UsbRead{endpoint,
                             std::string(buffer.begin(),
                                         buffer.begin() + static_cast<std::ptrdiff_t>(length))},
              LIBUSB_SUCCESS});
    return LIBUSB_SUCCESS;
}

// The read is done; a port closed meanwhile has dropped it.
bool UsbTransferWorker::stillWanted() {
    const std::lock_guard lock(mutex_);
    const bool wanted = wanted_.has_value() && !stopping_;
    wanted_.reset();
    return wanted;
}

}  // namespace app
