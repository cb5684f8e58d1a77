#include "rig/DataFiles.h"
#include "rig/StartUp.h"
#include "ui/About.h"
#include "ui/TForm1.h"
#include "ui/Text.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QScreen>
#include <clocale>
#include <cstdio>
#include <optional>
#include <variant>

using namespace Qt::Literals::StringLiterals;

namespace {

void complain(const QString& what)
{
    std::fprintf(stderr, "meldrix: %s (see meldrix --help)\n", qUtf8Printable(what));
}

// The arguments are read before the window system is touched, so that --help, --version and a
// usage error need no display. Returns the data set named, or an exit code.
std::variant<std::optional<QString>, int> parseArguments(int argc, char* argv[])
{
    QCoreApplication probe(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Meldrix, the calculator for a laboratory gas-mixing rig. Opens the data set DATASET "
        "(a base name, or one of its .INP, .MIX, .CAL and .CEL files), or the shipped default "
        "data set when none is given."_s);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(u"DATASET"_s, u"The data set to open."_s, u"[DATASET]"_s);
    // The window system's own options (-platform offscreen, -style ...) are the toolkit's.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const QString& name : { u"platform"_s, u"platformpluginpath"_s, u"platformtheme"_s,
             u"plugin"_s, u"qwindowgeometry"_s, u"qwindowicon"_s, u"qwindowtitle"_s, u"display"_s,
             u"geometry"_s, u"style"_s, u"stylesheet"_s, u"session"_s }) {
        QCommandLineOption option(name, QString(), u"VALUE"_s);
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const QString& name : { u"reverse"_s, u"widgetcount"_s, u"nograb"_s, u"dograb"_s }) {
        QCommandLineOption option(name);
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    if (!parser.parse(QCoreApplication::arguments())) {
        complain(parser.errorText());
        return 2;
    }
    if (parser.isSet(help))
        parser.showHelp(0);
    if (parser.isSet(version))
        parser.showVersion();
    const QStringList arguments = parser.positionalArguments();
    if (arguments.size() > 1) {
        complain(u"one data set at most, but %1 were given: %2"_s.arg(arguments.size())
                     .arg(arguments.join(u", "_s)));
        return 2;
    }
    if (arguments.isEmpty())
        return std::optional<QString>();
    return std::optional<QString>(arguments.constFirst());
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(u"meldrix"_s);
    QCoreApplication::setApplicationVersion(QString::fromUtf16(meldrix::MeldrixVersion));
    const auto parsed = parseArguments(argc, argv);
    if (const int* exitCode = std::get_if<int>(&parsed))
        return *exitCode;
    const std::optional<QString> dataSet = std::get<std::optional<QString>>(parsed);

    QApplication application(argc, argv);
    QApplication::setDesktopFileName(u"meldrix"_s);
    // QApplication hands C's number functions the user's locale; the number texts of the editors
    // and the data formats always use a point.
    std::setlocale(LC_NUMERIC, "C");

    meldrix::TForm1 window;
    if (!dataSet)
        window.StartUp(meldrix::DefaultBaseName());
    else
        window.StartUp(meldrix::DataSetBaseName(meldrix::toSystemText(*dataSet)), true);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window.fitToScreen(screen->availableGeometry());
    window.show();
    return QApplication::exec();
}
