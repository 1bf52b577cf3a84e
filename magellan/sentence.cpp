#include "magellan/sentence.h"

namespace magellan {

std::uint8_t sentenceChecksum(std::string_view body) {
    std::uint8_t sum = 0;
    for (char c : body) sum ^= static_cast<std::uint8_t>(c);
    return sum;
}

}  // namespace magellan
