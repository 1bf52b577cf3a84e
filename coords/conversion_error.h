// The error type of the conversion pass and of the point file reader.
#pragma once

#include <stdexcept>

namespace coords {

// Every failure of the pass (a file that cannot be opened or created, a record that
// cannot be read, an arithmetic error) arrives as this, with a message for the user
// that names the file and, for a record, its line.
class ConversionError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A point outside the area where the chosen grid is drawn: a wrong fix or a wrong choice
// of system, which the user is told apart from a file that cannot be written.
class OutsideGridArea : public ConversionError {
  public:
    using ConversionError::ConversionError;
};

}  // namespace coords
