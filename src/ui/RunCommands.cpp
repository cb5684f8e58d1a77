#include "mixer/Execute.h"
#include "ui/TForm1.h"

#include <QApplication>

// Execute and the results table. The results presentation and the equilibrium driver are wired in
// here as they come; until then the results table is left as it is.

namespace meldrix {

void TForm1::Run1Click()
{
    guarded([this] { RunExecute(); });
}

void TForm1::Linlogtoggle1Click()
{
    guarded([this] {
        m_rig->LogDisplay = !m_rig->LogDisplay;
        ShowResults();
    });
}

void TForm1::EquilRTtoggle1Click()
{
    guarded([this] {
        // The toggle brings back one of its own two displays.
        m_rig->GibbsDisplay = false;
        m_rig->EquilDisplay = !m_rig->EquilDisplay;
        ShowResults();
    });
}

void TForm1::RunExecute()
{
    ExecuteHooks hooks;
    hooks.HideCalForms = [this] { HideCalForms(); };
    hooks.Beep = [] { QApplication::beep(); };
    hooks.DrawMixer = [this] { DrawMixer(); };
    hooks.ShowResults = [this] { ShowResults(); };
    Execute(*m_rig, hooks);
}

void TForm1::ShowResults()
{
    if (m_rig->GibbsDisplay) {
        ShowGibbsResults();
        return;
    }
}

} // namespace meldrix
