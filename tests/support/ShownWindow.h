#pragma once

#include "ui/TForm1.h"

#include <QLocale>
#include <QTest>
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

} // namespace meldrix::testsupport
