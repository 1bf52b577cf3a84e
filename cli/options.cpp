#include "cli/options.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <iterator>

#include "cli/exit_code.h"
#include "download/choices.h"
#include "download/deviation.h"
#include "download/speed_change.h"
#include "download/stored_settings.h"
#include "qt/usb_unit_id.h"

namespace cli {

namespace {

using app::kPortCount;
using app::kSpeeds;
constexpr int kSystemCount = 3;
constexpr int kRequestsPerRound = 4;

// Each family's usual speed, as the window sets it when the family is chosen.
QString familySpeed(app::Family family) {
    return kSpeeds[family == app::Family::Garmin ? app::kGarminSpeedIndex
                                                 : app::kMagellanSpeedIndex];
}

bool deviationInRange(const QString& text) {
    return app::deviationInRange(app::readNumberText(text.toStdString()));
}

Command refuse(const QString& text) {
    return {std::nullopt, text, exit_code::kBadArguments};
}

// A folder as the output would get no file of the track, only a failure after the
// download: refused as an argument, with a name that would do. `given`: from --out.
QString folderNameProblem(const QString& name, bool given) {
    const bool slash = name.endsWith(QLatin1Char('/'));
    if (!slash && !QFileInfo(name).isDir()) return {};
    const QString example = QStringLiteral("\"%1/track.txt\"").arg(slash ? name.chopped(1) : name);
    if (given)
        return QStringLiteral("--out \"%1\" names a folder; give a file name, such as %2")
            .arg(name, example);
    return QStringLiteral(
               "the window's file name \"%1\" names a folder; give a file name with "
               "--out, such as %2")
        .arg(name, example);
}

const QString kHelpTail = QStringLiteral(
    "\nOptions not given come from the window's stored settings.\n"
    "Exit status: 0 saved, 2 bad arguments, 3 port cannot be opened, 4 receiver does not\n"
    "answer, 5 receiver in NMEA/TEXT mode, 6 transfer cut short, 7 output cannot be\n"
    "written, 8 receiver holds no track, 9 the input cannot be read, 10 a point lies\n"
    "outside the grid's area (--grid), 129 terminal closed (SIGHUP), 130 Ctrl-C, 143 SIGTERM.\n"
    "After 6, 10, 129, 130 and 143 the points received so far are kept in the file the last\n"
    "message names (not for --gps drive and --from); --from reads it.\n");

// The speeds a receiver can be asked for, as a list for a message.
QString standardSpeeds() {
    QStringList speeds;
    for (const int speed : app::kStandardSpeeds) speeds << QString::number(speed);
    return speeds.join(QStringLiteral(", "));
}

// The family stored as the window's GPS type: 0 Magellan, 1 Garmin, 2 drive or file.
app::Family familyOf(int storedType) {
    return storedType == 1   ? app::Family::Garmin
           : storedType == 2 ? app::Family::Drive
                             : app::Family::Magellan;
}

std::optional<app::Family> familyNamed(const QString& name) {
    const QString v = name.toLower();
    if (v == QLatin1String("garmin")) return app::Family::Garmin;
    if (v == QLatin1String("magellan")) return app::Family::Magellan;
    if (v == QLatin1String("drive")) return app::Family::Drive;
    return std::nullopt;
}

// "usb", "usb:N" or "usb:BUS-PORTS", for a Garmin only.
QString usbPortProblem(const QString& port, app::Family family) {
    if (!app::UsbUnitId::parse(port))
        return QStringLiteral(
                   "--port %1: a USB unit is usb, usb:N (the N-th, from 1) or usb:BUS-PORTS "
                   "(such as usb:1-1.4)")
            .arg(port);
    if (family != app::Family::Garmin)
        return QStringLiteral("--port %1 is a Garmin unit on USB: give --gps garmin").arg(port);
    return {};
}

}  // namespace

Command parseCommandLine(const QStringList& arguments, const app::SettingsStore& store) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Downloads the track log of a GPS receiver on a serial port.\n"
                       "Reads the track log of a unit mounted as a drive, or a GPX or FIT file."));
    const QCommandLineOption gps(QStringLiteral("gps"),
                                 QStringLiteral("Receiver family (needed until the window has "
                                                "saved one); drive: a unit mounted as a drive."),
                                 QStringLiteral("garmin|magellan|drive"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Device path, or COM1..COM9 as the window maps "
                                                 "them; usb for the first Garmin on USB, usb:N "
                                                 "for the N-th (--speed does not apply); with "
                                                 "--gps drive, the folder the unit is mounted "
                                                 "at."),
                                  QStringLiteral("DEVICE|COMn|FOLDER"));
    const QCommandLineOption from(QStringLiteral("from"),
                                  QStringLiteral("Read the tracks of a GPX or FIT file of any "
                                                 "origin (- for standard input), or the point "
                                                 "file a cut-short download kept, instead of a "
                                                 "receiver."),
                                  QStringLiteral("FILE"));
    const QCommandLineOption speed(QStringLiteral("speed"),
                                   QStringLiteral("Line speed in bit/s (default: the window's, or "
                                                  "the family's usual 4800 Magellan, 9600 "
                                                  "Garmin)."),
                                   QStringLiteral("N"));
    const QCommandLineOption out(QStringLiteral("out"), QStringLiteral("Output file."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption grid(QStringLiteral("grid"),
                                  QStringLiteral("Israeli grid (old or new), or none for "
                                                 "latitude/longitude."),
                                  QStringLiteral("old|new|none"));
    const QCommandLineOption reduce(QStringLiteral("reduce"),
                                    QStringLiteral("Keep only the points where the track turns "
                                                   "by more than DEGREES (5 to 90); off (or 0) "
                                                   "keeps every point."),
                                    QStringLiteral("DEGREES|off"));
    const QCommandLineOption split(QStringLiteral("split"),
                                   QStringLiteral("One numbered file per track segment (Garmin, "
                                                  "drives and files; a Magellan track has "
                                                  "none)."));
    const QCommandLineOption trace(QStringLiteral("trace"),
                                   QStringLiteral("Write a trace of every frame to FILE."),
                                   QStringLiteral("FILE"));
    const QCommandLineOption tries(QStringLiteral("tries"),
                                   QStringLiteral("Identification requests, 2 s each, before a "
                                                  "silent Garmin receiver is given up; rounded "
                                                  "up to a multiple of 4 (default 4)."),
                                   QStringLiteral("N"));
    const QCommandLineOption switchSpeed(
        QStringLiteral("switch-speed"),
        QStringLiteral("Move a Garmin receiver to N bit/s (9600, 19200, 38400, 57600 or 115200, "
                       "faster than --speed) for its track, and back after it; off never moves "
                       "it (default: the settings' SwitchSpeed, else 115200)."),
        QStringLiteral("N|off"));
    const QCommandLineOption quiet(QStringLiteral("quiet"),
                                   QStringLiteral("Print nothing but errors."));
    const QCommandLineOption units(QStringLiteral("units"),
                                   QStringLiteral("List the serial devices, USB Garmins and "
                                                  "units mounted as drives, one a line: what "
                                                  "--port takes, a tab, what --gps takes, a "
                                                  "tab, a description. Then exit."));
    const QCommandLineOption preview(
        QStringLiteral("preview"),
        QStringLiteral("Also draw the track into FILE (.png or .svg), as the window shows it."),
        QStringLiteral("FILE"));
    const QCommandLineOption stats(QStringLiteral("stats"),
                                   QStringLiteral("Print the figures of each file written (of "
                                                  "each track when not split) on standard "
                                                  "output, one a line; --stats=json as JSON."));
    // QCommandLineParser takes no optional value: --stats=json is read as an option of its own.
    QCommandLineOption statsJson(QStringLiteral("stats-json"));
    statsJson.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({gps, port, from, speed, out, grid, reduce, split, trace, tries, switchSpeed,
                       quiet, units, preview, stats, statsJson});
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();

    QStringList args = arguments;
    for (QString& a : args) {
        if (a == QLatin1String("--stats=json")) a = QStringLiteral("--stats-json");
        if (a == QLatin1String("--stats=text")) a = QStringLiteral("--stats");
        if (a.startsWith(QLatin1String("--stats=")))
            return refuse(
                QStringLiteral("--stats takes json or nothing, not \"%1\"").arg(a.mid(8)));
    }
    if (!parser.parse(args)) return refuse(parser.errorText());
    // The help option brings --help-all, which a GUI program answers with the toolkit's
    // own options as well; a program without a window has none, so both say the same.
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all")))
        return {std::nullopt, parser.helpText() + kHelpTail, exit_code::kDone};
    if (parser.isSet(version))
        return {std::nullopt,
                QStringLiteral("kelvaron-get %1\n").arg(QCoreApplication::applicationVersion()),
                exit_code::kDone};
    if (parser.isSet(units)) return {std::nullopt, QString(), exit_code::kDone, true};
    if (!parser.positionalArguments().isEmpty())
        return refuse(QStringLiteral("unexpected argument \"%1\"; the output file goes with --out")
                          .arg(parser.positionalArguments().first()));

    Options o;
    // Without a choice the receiver would be guessed, and a wrong guess talks the wrong
    // protocol to it for the whole of its timeout: the family is given or stored.
    const int storedType = app::storedIndex(store, app::key::kGPSType, -1, 3);
    const app::Family stored = familyOf(storedType);
    o.family = stored;
    if (parser.isSet(gps)) {
        const auto named = familyNamed(parser.value(gps));
        if (!named)
            return refuse(QStringLiteral("--gps must be garmin, magellan or drive, not \"%1\"")
                              .arg(parser.value(gps)));
        o.family = *named;
    }
    if (parser.isSet(from)) {
        if (parser.isSet(port) || (parser.isSet(gps) && o.family != app::Family::Drive))
            return refuse(QStringLiteral("--from reads a file: leave out --port and --gps"));
        if (parser.value(from).isEmpty()) return refuse(QStringLiteral("--from needs a file"));
        o.family = app::Family::Drive;
        o.port.device = parser.value(from);
    } else if (o.family == app::Family::Drive) {
        o.port.device = parser.isSet(port) ? parser.value(port)
                                           : app::storedText(store, app::key::kSource, QString());
        if (o.port.device.isEmpty())
            return refuse(
                QStringLiteral("--gps drive needs --port FOLDER, the folder the unit "
                               "is mounted at, or --from FILE"));
    }

    o.port.port = app::storedIndex(store, app::key::kCOM, 0, kPortCount) + 1;
    if (parser.isSet(port) && o.family != app::Family::Drive) {
        const QString v = parser.value(port);
        static const QRegularExpression com(QStringLiteral("^COM([0-9]+)$"),
                                            QRegularExpression::CaseInsensitiveOption);
        if (const auto m = com.match(v); m.hasMatch()) {
            o.port.port = m.captured(1).toInt();
            if (o.port.port < 1 || o.port.port > kPortCount)
                return refuse(QStringLiteral("--port %1: the ports are COM1 to COM9; give a "
                                             "device path for others")
                                  .arg(v));
        } else if (v.isEmpty()) {
            return refuse(QStringLiteral("--port needs a device path or COM1..COM9"));
        } else if (app::UsbUnitId::looksLikeUsb(v)) {
            if (const QString problem = usbPortProblem(v, o.family); !problem.isEmpty())
                return refuse(problem);
            o.port.device = v;
        } else {
            o.port.device = v;
        }
    }

    // A stored speed belongs to the stored family; another family brings its own.
    o.port.speed = o.family == stored
                       ? kSpeeds[app::storedIndex(store, app::key::kSpeed,
                                                  kSpeeds.indexOf(familySpeed(stored)),
                                                  static_cast<int>(kSpeeds.size()))]
                       : familySpeed(o.family);
    if (parser.isSet(speed)) {
        bool ok = false;
        const int v = parser.value(speed).toInt(&ok);
        if (!ok || v <= 0)
            return refuse(QStringLiteral("--speed must be a whole number of bit/s, not \"%1\"")
                              .arg(parser.value(speed)));
        o.port.speed = QString::number(v);
    }

    o.files.fileName =
        parser.isSet(out) ? parser.value(out) : app::storedText(store, app::key::kFName, QString());
    if (o.files.fileName.isEmpty())
        return refuse(QStringLiteral("no output file: give --out FILE"));
    if (const QString problem = folderNameProblem(o.files.fileName, parser.isSet(out));
        !problem.isEmpty())
        return refuse(problem);

    o.files.system = static_cast<coords::CoordSystem>(
        app::storedIndex(store, app::key::kCorSys, 0, kSystemCount));
    if (parser.isSet(grid)) {
        const QString v = parser.value(grid).toLower();
        if (v == QLatin1String("none"))
            o.files.system = coords::CoordSystem::LatLon;
        else if (v == QLatin1String("old"))
            o.files.system = coords::CoordSystem::IsraeliOld;
        else if (v == QLatin1String("new"))
            o.files.system = coords::CoordSystem::IsraeliNew;
        else
            return refuse(QStringLiteral("--grid must be old, new or none, not \"%1\"")
                              .arg(parser.value(grid)));
    }

    // A deviation is 5 degrees at least: 0 can only mean no reduction, as "off" does.
    const bool reduceOff =
        parser.isSet(reduce) &&
        (parser.value(reduce) == QLatin1String("0") ||
         parser.value(reduce).compare(QLatin1String("off"), Qt::CaseInsensitive) == 0);
    o.files.reduce =
        !reduceOff && (parser.isSet(reduce) || app::storedNumber(store, app::key::kReduce, 0) != 0);
    // Without reduction the deviation is not used.
    o.files.deviation = QStringLiteral("0");
    if (o.files.reduce) {
        o.files.deviation = parser.isSet(reduce)
                                ? parser.value(reduce)
                                : app::storedText(store, app::key::kDev, QStringLiteral("0"));
        if (!deviationInRange(o.files.deviation))
            return refuse(
                QStringLiteral("the minimal deviation for --reduce must be between 5 "
                               "and 90 degrees, not \"%1\"%2")
                    .arg(o.files.deviation, parser.isSet(reduce)
                                                ? QString()
                                                : QStringLiteral(" (the window's setting)")));
    }
    o.files.split = parser.isSet(split);
    o.port.traceFile = parser.value(trace);

    if (parser.isSet(tries)) {
        bool ok = false;
        o.tries = parser.value(tries).toInt(&ok);
        if (!ok || o.tries < 1)
            return refuse(QStringLiteral("--tries must be a whole number of 1 or more, not \"%1\"")
                              .arg(parser.value(tries)));
    }
    if ((parser.isSet(trace) || parser.isSet(switchSpeed)) && o.family == app::Family::Drive)
        return refuse(
            QStringLiteral("--trace and --switch-speed apply to a receiver on a serial "
                           "port, not to a drive or a file"));
    if (parser.isSet(switchSpeed)) {
        const QString v = parser.value(switchSpeed);
        bool ok = v.compare(QLatin1String("off"), Qt::CaseInsensitive) == 0;
        const int n = ok ? 0 : v.toInt(&ok);
        if (!ok || (n != 0 &&
                    std::ranges::find(app::kStandardSpeeds, n) == std::end(app::kStandardSpeeds)))
            return refuse(QStringLiteral("--switch-speed must be one of %1 or off, not \"%2\"")
                              .arg(standardSpeeds(), v));
        // A USB unit has no line speed: the option is left unused.
        const bool usb = app::UsbUnitId::looksLikeUsb(o.port.device);
        if (n != 0 && n <= o.port.speed.toInt() && !usb)
            return refuse(QStringLiteral("--switch-speed %1 is not faster than the port's %2 "
                                         "bit/s; give a faster one or off")
                              .arg(n)
                              .arg(o.port.speed));
        if (!usb) o.port.switchSpeed = n;
    }
    o.quiet = parser.isSet(quiet);
    o.preview = parser.value(preview);
    if (parser.isSet(preview) && !isPictureName(o.preview))
        return refuse(
            QStringLiteral("--preview writes a .png or .svg picture, not \"%1\"").arg(o.preview));
    o.stats = parser.isSet(statsJson) ? Stats::Json
              : parser.isSet(stats)   ? Stats::Text
                                      : Stats::None;
    if (!parser.isSet(gps) && !parser.isSet(from) && storedType < 0)
        return refuse(
            QStringLiteral("no receiver family given or stored: choose --gps garmin, "
                           "magellan or drive, or give --from FILE"));
    return {o, QString(), exit_code::kDone};
}

int roundsOf(int tries) {
    return (tries + kRequestsPerRound - 1) / kRequestsPerRound;
}

}  // namespace cli
