// The one error of the track file readers: a message for the user that names the file
// and where in it the reading stopped.
#pragma once

#include <stdexcept>

namespace source {

class ReadError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace source
