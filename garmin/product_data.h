// The receiver's product record, filled from its product data packet.
#pragma once

#include <cstdint>
#include <string>

namespace garmin {

class cProduct_Data {
  public:
    std::int16_t Product_ID = 0;
    std::int16_t Software_Version = 0;
    std::string Product_Description_1;
    std::string Product_Description_2;
};

}  // namespace garmin
