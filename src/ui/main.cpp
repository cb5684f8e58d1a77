#include "rig/DataFiles.h"
#include "rig/StartUp.h"
#include "ui/TForm1.h"
#include "ui/Text.h"

#include <QApplication>
#include <QCommandLineParser>
#include <clocale>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(u"meldrix"_s);
    QApplication::setApplicationVersion(u"0.301"_s);
    QApplication::setDesktopFileName(u"meldrix"_s);
    // QApplication hands C's number functions the user's locale; the number texts of the editors
    // and the data formats always use a point.
    std::setlocale(LC_NUMERIC, "C");

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Meldrix, the calculator for a laboratory gas-mixing rig. Opens the data set DATASET "
        "(a base name, or one of its .INP, .MIX, .CAL and .CEL files), or the shipped default "
        "data set when none is given."_s);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(u"DATASET"_s, u"The data set to open."_s, u"[DATASET]"_s);
    parser.process(application);
    const QStringList arguments = parser.positionalArguments();
    if (arguments.size() > 1)
        parser.showHelp(2);

    meldrix::TForm1 window;
    if (arguments.isEmpty())
        window.StartUp(meldrix::DefaultBaseName());
    else
        window.StartUp(meldrix::DataSetBaseName(meldrix::toSystemText(arguments[0])), true);
    window.show();
    return QApplication::exec();
}
