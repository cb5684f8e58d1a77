#include "report/qt/OffscreenApplication.h"

using namespace Qt::Literals::StringLiterals;

namespace meldrix {

namespace {

QtMessageHandler qtHandler = nullptr;

void withoutRuntimeDirNote(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtWarningMsg && text.startsWith(u"QStandardPaths: XDG_RUNTIME_DIR not set"_s))
        return;
    if (qtHandler)
        qtHandler(type, context, text);
}

int argc = 1;
char name[] = "meldrix-cli";
char* argv[] = { name, nullptr };

} // namespace

OffscreenApplication::OffscreenApplication()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qtHandler = qInstallMessageHandler(withoutRuntimeDirNote);
    m_application = std::make_unique<QGuiApplication>(argc, argv);
}

OffscreenApplication::~OffscreenApplication()
{
    m_application.reset();
    qInstallMessageHandler(qtHandler);
}

} // namespace meldrix
