#include "magellan/sentence.h"

namespace magellan {

std::uint8_t Sentence_Checksum(std::string_view body) {
    std::uint8_t sum = 0;
    for (char c : body) sum ^= static_cast<std::uint8_t>(c);
    return sum;
}

std::string Make_Sentence(std::string_view body) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const std::uint8_t sum = Sentence_Checksum(body);
    std::string s = "$";
    s.append(body).append(1, '*');
    // Receivers of this family write the checksum without a leading zero.
    if (sum >= 16) s.push_back(kHex[sum >> 4]);
    s.push_back(kHex[sum & 15]);
    s.append("\r\n");
    return s;
}

}  // namespace magellan
