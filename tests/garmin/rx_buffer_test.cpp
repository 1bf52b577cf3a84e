// The receive buffer's resumable searches agree with a plain scan from the start.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "garmin/rx_buffer.h"

namespace garmin {
namespace {

std::size_t plainFrameEnd(std::string_view data) {
    for (std::size_t i = 0; i + 1 < data.size(); ++i) {
        if (data[i] != 16) continue;
        if (data[i + 1] == 16) {
            ++i;
        } else if (data[i + 1] == 3) {
            return i + 1;
        }
    }
    return RxBuffer::npos;
}

TEST(RxBufferTest, SearchesMatchAPlainScanThroughAppendsAndConsumes) {
    // Few distinct bytes, so pairs, ends, sentence starts and line ends are frequent.
    const char alphabet[] = {16, 16, 16, 3, '$', '@', '\r', '\n', 'x'};
    std::mt19937 random(20240229);
    RxBuffer buffer;
    for (int step = 0; step < 20000; ++step) {
        if (random() % 3 != 0 || buffer.size() == 0) {
            std::string chunk(random() % 4 + 1, 'x');
            for (char& c : chunk) c = alphabet[random() % sizeof alphabet];
            buffer.append(chunk);
        } else {
            buffer.consume(random() % buffer.size() + 1);
        }
        const std::string copy(buffer.view());
        ASSERT_EQ(buffer.findFrameEnd(), plainFrameEnd(copy)) << step;
        ASSERT_EQ(buffer.findDollar(), copy.find('$')) << step;
        ASSERT_EQ(buffer.findAt(), copy.find('@')) << step;
        ASSERT_EQ(buffer.findLineEnd(), copy.find("\r\n")) << step;
    }
}

}  // namespace
}  // namespace garmin
