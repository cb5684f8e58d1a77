#include "support/WindowTest.h"

#include <QAction>
#include <QPushButton>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace meldrix::testsupport {

void WindowTest::initTestCase()
{
    useCLocale();
}

void WindowTest::cleanup()
{
    m_window.reset();
    m_dir.reset();
}

void WindowTest::startWindow(const std::string& base)
{
    m_window = std::make_unique<TForm1>();
    m_window->StartUp(base);
}

bool WindowTest::showWindow(const std::string& base)
{
    m_window = shownWindow(base);
    return m_window != nullptr;
}

bool WindowTest::showWindowInNewFolder()
{
    m_dir = std::make_unique<TempDir>();
    return showWindow(m_dir->file("Default"));
}

QLabel* WindowTest::message() const
{
    return control<QLabel>(u"Message1"_s);
}

QSpinBox* WindowTest::spin() const
{
    return control<QSpinBox>(u"SpinEdit1"_s);
}

ParameterEditor* WindowTest::editor() const
{
    return control<ParameterEditor>(u"ValueListEditor1"_s);
}

QString WindowTest::commandText(const QString& name) const
{
    const auto* command = control<QAction>(name);
    return command ? command->text() : u"(the window has no command %1)"_s.arg(name);
}

void WindowTest::trigger(const QString& name)
{
    auto* command = control<QAction>(name);
    QVERIFY2(command, qPrintable(u"the window has no command %1"_s.arg(name)));
    command->trigger();
}

void WindowTest::pressOk()
{
    QTest::mouseClick(control<QPushButton>(u"Button1"_s), Qt::LeftButton);
}

} // namespace meldrix::testsupport
