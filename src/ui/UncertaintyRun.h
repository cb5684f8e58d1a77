#pragma once

#include "uncertainty/Uncertainty.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <memory>
#include <optional>

class QAction;
class QProgressBar;
class QRect;
class QThread;
class QTimer;

namespace meldrix {

//! One uncertainty run off the window's thread, on a copy of the rig taken when it starts. A run
//! that lasts longer than a moment shows its progress with a Cancel button in a strip over the
//! window, which leaves the menus and the editors in use.
class UncertaintyRun : public QObject {
    Q_OBJECT
public:
    //! The progress strip appears once a run has taken this long [ms].
    static constexpr int ProgressDelay = 250;

    //! `strip` is where the progress strip lies, in `stripParent`.
    UncertaintyRun(const Rig& rig, const UncertaintyOptions& options, QWidget* window,
        QWidget* stripParent, const QRect& strip);
    //! Cancels a run still going and waits for it: at most one trial.
    ~UncertaintyRun() override;

    void cancel();
    //! The answer, once finished() was emitted.
    UncertaintyResult takeResult() { return std::move(m_result); }

Q_SIGNALS:
    void finished();

private:
    void poll();

    std::unique_ptr<Rig> m_rig;
    UncertaintyOptions m_options;
    UncertaintyResult m_result;
    std::atomic<int> m_done { 0 };
    std::atomic<int> m_total { 0 };
    std::atomic<bool> m_cancel { false };
    QElapsedTimer m_clock;
    QThread* m_thread = nullptr;
    QTimer* m_timer = nullptr;
    QPointer<QWidget> m_progress; //!< the strip; its parent may go first as the window closes
    QProgressBar* m_bar = nullptr;
};

//! The window's state of the "± uncertainty" display.
struct UncertaintyView {
    //! What the runs take besides the meters' accuracy, which the data set's settings keep.
    UncertaintyOptions Options = [] {
        UncertaintyOptions options;
        options.Equilibrium = true; // the display and the pO2 chart both show pO2
        return options;
    }();
    bool Shown = false;
    //! The last finished run; Current while no Execute or new setting has come since it started.
    std::optional<UncertaintyResult> Result;
    bool Current = false;
    UncertaintyRun* Run = nullptr; //!< the run going on, child of the window
    QAction* Toggle = nullptr;
};

} // namespace meldrix
