#include "download/speed_change.h"

#include <cmath>
#include <cstdlib>
#include <utility>
#include <variant>

#include "garmin/gps.h"

namespace app {

namespace {

// The speed change, as the maker describes it: the receiver answers within a second,
// the host's acknowledgement of its answer needs about 100 ms to leave, and the receiver
// goes back by itself unless both pings came within two seconds of its answer.
constexpr double kAnswerWait = 1.0;
constexpr double kAcknowledgementLeaves = 0.1;
constexpr double kPingWait = 2.0;

bool near(std::uint32_t rate, int speed) {
    return std::abs(static_cast<double>(rate) - speed) <= speed * 0.05;
}

// The standard speed an answer stands for: within 5% of it (38361 means 38400); 0 for
// none.
int standardSpeed(std::uint32_t rate) {
    for (const int speed : kStandardSpeeds)
        if (near(rate, speed)) return speed;
    return 0;
}

// On the way back only the speed the user set will do, standard or not.
int backSpeed(std::uint32_t rate, int start) {
    return near(rate, start) ? start : 0;
}

}  // namespace

std::function<void()> SpeedChange::reset(int speed) {
    step_ = Step::None;
    speed_ = speed;
    return std::exchange(done_, {});
}

void SpeedChange::start(int target, std::function<void()> done) {
    target_ = target;
    from_ = speed_;
    accepted_ = 0;
    pingsAnswered_ = 0;
    done_ = std::move(done);
    step_ = Step::TurningOff;
    gps_.Turn_Off_Requests();
    deadline_.arm(kAnswerWait);
}

void SpeedChange::onPacket(const garmin::PacketEvent& packet) {
    const auto* other = std::get_if<garmin::OtherPacket>(&packet);
    const bool ack = other && other->id == gps_.PID_Ack_Byte();
    const bool nak = other && other->id == gps_.PID_Nak_Byte();
    switch (step_) {
        case Step::TurningOff:
            if ((ack || nak) && other->answers == 0x1C) {
                // A receiver that refuses to turn its requests off may still change speed.
                step_ = Step::Asking;
                gps_.Request_Baud_Rate(static_cast<std::uint32_t>(target_));
                deadline_.arm(kAnswerWait);
            }
            return;
        case Step::Asking:
            if (nak && other->answers == 0x30) {
                over();
            } else if (const auto* answer = std::get_if<garmin::BaudAccepted>(&packet)) {
                answered(answer->rate);
            }
            return;
        case Step::Pinging:
            if (ack && other->answers == gps_.PID_Command_Data()) {
                if (++pingsAnswered_ < 2) {
                    gps_.Ping();
                    return;
                }
                over();  // the change holds
            }
            return;
        case Step::Settling:
        case Step::None:
            return;
    }
}

// Faster, and not above what was asked; on the way back, the speed the receiver was found
// at. Anything else is left unacknowledged, so the receiver keeps its speed.
void SpeedChange::answered(std::uint32_t rate) {
    const bool back = target_ < speed_;
    const int speed = back ? backSpeed(rate, target_) : standardSpeed(rate);
    const bool usable = speed != 0 && speed <= target_ && (back || speed > speed_);
    if (!usable) {
        over();
        return;
    }
    accepted_ = speed;
    gps_.Accept_Baud_Rate();
    step_ = Step::Settling;
    deadline_.arm(kAcknowledgementLeaves);
}

void SpeedChange::onDeadline() {
    switch (step_) {
        case Step::TurningOff:
        case Step::Asking:
            // No answer within a second: the speed stays; an answer after this is ignored.
            over();
            return;
        case Step::Settling:
            // The acknowledgement has left: the port follows the receiver and pings it. A
            // port that cannot go there sends no ping; the receiver goes back by itself.
            movePort(accepted_);
            step_ = Step::Pinging;
            if (speed_ == accepted_) gps_.Ping();
            deadline_.arm(kPingWait);
            return;
        case Step::Pinging:
            // The pings went unanswered: the receiver has gone back by itself by now.
            movePort(from_);
            over();
            return;
        case Step::None:
            return;
    }
}

void SpeedChange::over() {
    step_ = Step::None;
    deadline_.disarm();
    gps_.Stop_Awaiting_Baud();
    if (auto done = std::exchange(done_, {})) done();
}

void SpeedChange::abandon() {
    if (step_ == Step::None) return;
    step_ = Step::None;
    done_ = nullptr;
    deadline_.disarm();
    gps_.Stop_Awaiting_Baud();
}

void SpeedChange::movePort(int speed) {
    if (speed == speed_ || !comm_.setSpeed(speed)) return;
    speed_ = speed;
    trace_.portSpeed(speed);
}

}  // namespace app
