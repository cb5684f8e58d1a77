#include "rig/StartUp.h"
#include "ui/TForm1.h"

#include <QApplication>
#include <clocale>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    // QApplication hands C's number functions the user's locale; the number texts of the editors
    // and the data formats always use a point.
    std::setlocale(LC_NUMERIC, "C");

    meldrix::TForm1 window;
    window.StartUp(meldrix::DefaultBaseName());
    window.show();
    return QApplication::exec();
}
