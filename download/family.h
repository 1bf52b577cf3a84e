// The kinds of receiver a download is made for, in the order of the window's GPS type list
// (the stored GPSType counts in it). A drive is a unit mounted as one, or a track file.
#pragma once

namespace app {

enum class Family { Magellan, Garmin, Drive };

}  // namespace app
