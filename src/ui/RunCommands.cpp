#include "ui/TForm1.h"

// Execute and the results table. The mixer solver, the results presentation and the equilibrium
// driver are wired in here; until they are, Execute and the results table leave the window as it
// is.

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
        m_rig->EquilDisplay = !m_rig->EquilDisplay;
        ShowResults();
    });
}

void TForm1::RunExecute()
{
}

void TForm1::ShowResults()
{
}

} // namespace meldrix
