// Recognises a data packet that the receiver sends again because our acknowledgement
// never reached it.
//
// The Garmin link carries no sequence numbers: a receiver that misses our acknowledgement
// repeats its last packet, and only its bytes tell it apart from the next one. A repeat is
// the same identifier, size and data as the packet we acknowledged last, with no other
// packet in either direction in between. Dropping it can lose nothing: a second identical
// answer to a request says nothing new, and two identical track points in a row (same
// place, same time) are one point. Corrupt frames, noise and dropped frames in between
// do not count as another packet: the receiver may need a few tries to get a resend through.
#pragma once

#include "garmin/host.h"

namespace garmin {

class ResendFilter {
  public:
    // True when `packet` (checksum already found right) repeats the last acknowledged one.
    bool isRepeat(const Packet& packet) const;
    // We acknowledged `packet`: a copy that follows it is a resend.
    void acknowledged(const Packet& packet);
    // Another packet went by in either direction: what follows is new, whatever its bytes.
    void forget() { last_.clear(); }

  private:
    // Identifier, size and data of the packet we acknowledged last; empty when none.
    Packet last_;
};

}  // namespace garmin
