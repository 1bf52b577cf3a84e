// The command line of kelvaron-get, with the window's stored choices as defaults: a
// person who has set the window up once can run "kelvaron-get --out hike.txt".
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "cli/overview_output.h"
#include "download/download.h"
#include "download/download_services.h"
#include "download/download_ui.h"
#include "download/family.h"

namespace cli {

struct Options {
    app::Family family = app::Family::Magellan;
    // For a drive, `port.device` is the unit's folder or the file to read.
    app::PortChoice port;
    app::FileChoices files;
    // Identification requests before a silent receiver is given up, counted in the
    // window's rounds of four (one Retry/Cancel question each).
    int tries = 4;
    bool quiet = false;
    QString preview;  // the picture of the track to write, .png or .svg; empty: none
    Stats stats = Stats::None;
};

// A download to run, or a text to print and the exit status to end with.
struct Command {
    std::optional<Options> options;
    QString text;  // help or version for stdout; an error for stderr
    int exitCode = 0;
    bool listUnits = false;  // --units: print the sources seen, then end
};

// The window's Retry/Cancel rounds of four requests that `tries` requests fill.
int roundsOf(int tries);

// `arguments` starts with the program's name, as QCoreApplication::arguments() gives it.
Command parseCommandLine(const QStringList& arguments, const app::SettingsStore& store);

}  // namespace cli
