// The error of the numeric procedures: an overflow, a division by zero or an invalid
// operation. No partial value is ever returned; the caller decides what to tell the user.
#pragma once

#include <cmath>
#include <stdexcept>
#include <string>

namespace coords {

class ArithmeticError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// An overflow leaves an infinity and an invalid operation a NaN, and neither can turn
// back into an ordinary number in our formulas, so testing each stage's result for
// finiteness catches every fault at the stage where it arose.
inline double requireFinite(double v, const char* what) {
    if (!std::isfinite(v)) throw ArithmeticError(std::string(what) + " is out of range");
    return v;
}

}  // namespace coords
