#include "ui/UncertaintyRun.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <exception>
#include <limits>
#include <new>

using namespace Qt::Literals::StringLiterals;

namespace meldrix {

namespace {

constexpr int PollInterval = 50; // [ms]

} // namespace

UncertaintyRun::UncertaintyRun(const Rig& rig, const UncertaintyOptions& options, QWidget* window,
    QWidget* stripParent, const QRect& strip)
    : QObject(window)
    , m_rig(std::make_unique<Rig>(rig))
    , m_options(options)
{
    setObjectName(u"UncertaintyRun"_s);
    m_thread = QThread::create([this] {
        // Nothing thrown may leave the thread: it ends as a failed run instead.
        try {
            m_result = PropagateUncertainty(*m_rig, m_options, [this](int done, int total) {
                m_done = done;
                m_total = total;
                return !m_cancel;
            });
        } catch (const std::bad_alloc&) {
            m_result = {};
            m_result.Message = "not enough memory";
        } catch (const std::exception& error) {
            m_result = {};
            m_result.Message = error.what();
        } catch (...) {
            // An exception escaping a QThread's function ends the program.
            m_result = {};
            m_result.Message = "an error the run could not name";
        }
    });
    connect(m_thread, &QThread::finished, this, [this] {
        m_timer->stop();
        if (m_progress)
            m_progress->hide();
        Q_EMIT finished();
    });

    m_timer = new QTimer(this);
    m_timer->setInterval(PollInterval);
    connect(m_timer, &QTimer::timeout, this, &UncertaintyRun::poll);

    m_progress = new QWidget(stripParent);
    m_progress->setObjectName(u"UncertaintyProgress"_s);
    m_progress->setAutoFillBackground(true);
    m_progress->setGeometry(strip);
    auto* label =
        new QLabel(u"\u00B1 uncertainty: carrying the meters' accuracy to the cells\u2026"_s);
    m_bar = new QProgressBar;
    m_bar->setRange(0, 0);
    auto* cancelButton = new QPushButton(u"Cancel"_s);
    cancelButton->setObjectName(u"CancelUncertainty1"_s);
    auto* layout = new QHBoxLayout(m_progress);
    layout->setContentsMargins(4, 1, 4, 1);
    layout->addWidget(label);
    layout->addWidget(m_bar, 1);
    layout->addWidget(cancelButton);
    m_progress->hide();
    connect(cancelButton, &QPushButton::clicked, this, &UncertaintyRun::cancel);

    m_clock.start();
    m_timer->start();
    m_thread->start(QThread::LowPriority);
}

UncertaintyRun::~UncertaintyRun()
{
    m_cancel = true;
    m_thread->wait();
    delete m_thread;
    delete m_progress.data();
}

void UncertaintyRun::cancel()
{
    m_cancel = true;
}

void UncertaintyRun::poll()
{
    if (m_clock.elapsed() < ProgressDelay || m_cancel)
        return;
    const int total = m_total;
    if (total > 0) {
        m_bar->setMaximum(total);
        m_bar->setValue(m_done);
    }
    if (m_progress->isHidden()) {
        m_progress->show();
        m_progress->raise();
    }
}

} // namespace meldrix
