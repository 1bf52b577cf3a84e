#include "magellan/download.h"

#include <exception>
#include <vector>

#include "magellan/point_writer.h"
#include "magellan/reply.h"
#include "magellan/sentence.h"

namespace magellan {

namespace {

class Port_Closer {
  public:
    explicit Port_Closer(seams::SerialPort& port) : port_(port) {}
    ~Port_Closer() { port_.close(); }
    Port_Closer(const Port_Closer&) = delete;
    Port_Closer& operator=(const Port_Closer&) = delete;

  private:
    seams::SerialPort& port_;
};

void Tell(const Download_Hooks& hooks, const std::string& text) {
    if (hooks.Show_Message) hooks.Show_Message(text);
}

std::string Open_Failure(const Download_Request& request, const Download_Hooks& hooks) {
    std::string text = hooks.Open_Failure_Text ? hooks.Open_Failure_Text() : std::string();
    return text.empty() ? "Cannot open port " + request.portLabel + "." : text;
}

std::string Why_Cut_Short(const Reply& reply, const Download_Request& request) {
    if (reply.outcome == Reply::Outcome::Too_Long)
        return "The receiver on " + request.portLabel +
               " sent more than 32 MiB without ending its track, so the download was stopped.";
    return "The connection to the receiver on " + request.portLabel +
           " was lost before the end of the track.";
}

// Writes the points to a fresh temporary point file and has the window finish it.
bool Save_Points(const std::vector<Reply_Point>& points, const Download_Hooks& hooks) {
    std::string pointFile;
    try {
        pointFile = hooks.Make_Temp_Name();
    } catch (const std::exception& e) {
        Tell(hooks, std::string("Cannot create a temporary point file: ") + e.what() +
                        "\r\nThe track was not saved.");
        return false;
    }
    try {
        Write_Point_File(pointFile, points);
    } catch (const std::exception& e) {
        // The file stays on disk: it holds every point that could be written before the failure.
        Tell(hooks, std::string(e.what()) +
                        "\r\nThe track was not saved in full; the points written " +
                        "before the failure are kept in " + pointFile + ".");
        return false;
    }
    return hooks.Finish_Output_File(pointFile);
}

}  // namespace

Download_Outcome Download_Track(seams::SerialPort& port, seams::EventPump& pump,
                                const Download_Request& request, const Download_Hooks& hooks) {
    Port_Closer closer(port);
    if (!port.open(request.port, request.settings)) {
        Tell(hooks, Open_Failure(request, hooks));
        return Download_Outcome::Port_Not_Opened;
    }
    port.write(std::string(kTrackCommand));

    const Reply reply = Receive_Reply(port, pump, {hooks.Show_Caption, hooks.Stop_Requested});
    if (reply.outcome == Reply::Outcome::Stopped) return Download_Outcome::Stopped;

    const auto points = Reply_Points(std::string_view(reply.text).substr(0, reply.end));
    if (reply.outcome != Reply::Outcome::Complete) {
        // Whatever complete lines arrived before the line went quiet are still a track.
        const std::string why = Why_Cut_Short(reply, request);
        if (points.empty()) {
            Tell(hooks, why + "\r\nNo track point had arrived.");
        } else if (Save_Points(points, hooks)) {
            Tell(hooks, why + "\r\nThe " + std::to_string(points.size()) +
                            " points received before were saved to " + request.outputName + ".");
        } else {
            Tell(hooks, why);
        }
        return Download_Outcome::Cut_Short;
    }
    if (points.empty()) {
        Tell(hooks, "No track data found!");
        return Download_Outcome::No_Data;
    }
    return Save_Points(points, hooks) ? Download_Outcome::Saved : Download_Outcome::Not_Saved;
}

}  // namespace magellan
