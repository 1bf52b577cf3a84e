// A serial port and an event pump for the Magellan tests: reads come from a script.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "seams/seams.h"

namespace magellan_test {

class ScriptedPort final : public seams::SerialPort {
  public:
    bool isOpen() const override { return open_; }
    bool open(int port, const std::string& settings) override {
        opens.emplace_back(port, settings);
        open_ = openResult;
        return open_;
    }
    void close() override {
        open_ = false;
        ++closes;
    }
    void write(const std::string& bytes) override { written += bytes; }
    // The next chunk of the script; after it nothing, or the port drops when
    // `loseAtEnd` is set (the receiver unplugged).
    std::string readAll() override {
        ++reads;
        if (chunks.empty()) {
            if (loseAtEnd) open_ = false;
            return {};
        }
        std::string c = std::move(chunks.front());
        chunks.pop_front();
        return c;
    }
    void discardInput() override {}
    int commEvent() const override { return 0; }

    bool openResult = true;
    std::deque<std::string> chunks;
    bool loseAtEnd = false;
    std::vector<std::pair<int, std::string>> opens;
    std::string written;
    int closes = 0;
    int reads = 0;

  private:
    bool open_ = false;
};

class CountingPump final : public seams::EventPump {
  public:
    void processEvents(int maxWaitMs) override {
        waits.push_back(maxWaitMs);
        if (onPump) onPump();
    }
    std::vector<int> waits;
    std::function<void()> onPump;
};

}  // namespace magellan_test
