#pragma once

#include "ui/TForm1.h"

#include <QLocale>
#include <QString>
#include <QTest>
#include <QWidget>
#include <clocale>
#include <memory>
#include <string>

// The main window as every window test starts it.

namespace meldrix::testsupport {

//! Numbers are typed and shown in the C locale in every window test, whatever the machine's.
inline void useCLocale()
{
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_ALL, "C");
}

//! Starts `window` on the data set at `base` and shows it; false when it never reached the screen.
[[nodiscard]] inline bool startAndShow(TForm1& window, const std::string& base)
{
    window.StartUp(base);
    window.show();
    return QTest::qWaitForWindowExposed(&window);
}

//! A new main window started on `base` and shown; empty when it never reached the screen.
inline std::unique_ptr<TForm1> shownWindow(const std::string& base)
{
    auto window = std::make_unique<TForm1>();
    if (!startAndShow(*window, base))
        return nullptr;
    return window;
}

//! Keeps `widget`'s picture as `name`.png in the folder that MELDRIX_SCREENSHOT_DIR names, for a
//! person to look at; without that variable nothing is written.
inline void saveScreenshot(QWidget& widget, const QString& name)
{
    using namespace Qt::Literals::StringLiterals;
    const QString folder = qEnvironmentVariable("MELDRIX_SCREENSHOT_DIR");
    if (!folder.isEmpty())
        widget.grab().save(folder + u'/' + name + u".png"_s);
}

} // namespace meldrix::testsupport
