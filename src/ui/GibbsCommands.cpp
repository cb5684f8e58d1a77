#include "chart/qt/TVistrelWidget.h"
#include "plots/PO2Chart.h"
#include "results/GibbsTable.h"
#include "results/ResultsTable.h"
#include "tabed/qt/TCeltrix.h"
#include "ui/TForm1.h"

#include <QEvent>
#include <QResizeEvent>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

// The gas each fed cell holds at its temperature: a third display of the results table.

namespace meldrix {

namespace {

// Places the pO2 chart's names again for each new size, before the chart paints at that size:
// names placed for another size land on the lines.
class PO2LabelsFollowSize : public QObject {
public:
    PO2LabelsFollowSize(TVistrelWidget& chart, const std::vector<PO2Curve>& curves)
        : QObject(&chart)
        , m_chart(chart)
        , m_curves(curves)
    {
        chart.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &m_chart && event->type() == QEvent::Resize) {
            const QSize size = static_cast<QResizeEvent*>(event)->size();
            m_chart.Chart().SetControlSize({ size.width(), size.height() });
            PlacePO2Labels(m_chart.Chart(), m_curves);
        }
        return false;
    }

private:
    TVistrelWidget& m_chart;
    const std::vector<PO2Curve>& m_curves;
};

} // namespace

void TForm1::CellTemperature1Click()
{
    guarded([this] {
        showUncertainty(false);
        m_rig->GibbsDisplay = !m_rig->GibbsDisplay;
        displayChanged();
    });
}

void TForm1::ShowGibbsResults()
{
    const auto problems = FillGibbsTable(*m_rig, m_rig->LogDisplay, CellTabEd->Model());
    placeResultsTable();
    CellTabEd->show();
    showResultsState();
    if (!problems.empty()) {
        std::string text(GibbsMessagePrefix);
        for (std::size_t i = 0; i < problems.size(); ++i)
            text += (i == 0 ? "" : "; ") + problems[i];
        ShowMessage(*m_rig, text);
    }
}

void TForm1::PO2Chart1Click()
{
    guarded([this] {
        if (m_rig->GasListCount == 0) {
            ShowMessage(*m_rig, "No cell has received a gas yet: run Execute first.");
            return;
        }
        if (!m_pO2Window) {
            m_pO2Window = new QWidget(this, Qt::Window);
            m_pO2Window->setObjectName(u"PO2Window"_s);
            m_pO2Window->setWindowTitle(u"log10 pO2 against temperature"_s);
            PO2Chart = new TVistrelWidget(u"PO2Chart"_s, m_pO2Window);
            ConfigurePO2Chart(PO2Chart->Chart());
            new PO2LabelsFollowSize(*PO2Chart, m_pO2Curves);
            auto* layout = new QVBoxLayout(m_pO2Window);
            layout->setContentsMargins(0, 0, 0, 0);
            layout->addWidget(PO2Chart);
            m_pO2Window->resize(640, 440);
        }
        // Shown first, so that the names are placed for the chart's real size.
        m_pO2Window->show();
        m_pO2Window->layout()->activate();
        m_pO2Window->raise();
        if (DrawPO2Chart() == 0)
            ShowMessage(*m_rig, "No fed cell's gas holds oxygen: the pO2 chart stays empty.");
    });
}

void TForm1::refreshPO2Chart()
{
    if (m_pO2Window && m_pO2Window->isVisible() && m_rig->GasListCount > 0)
        DrawPO2Chart();
}

int TForm1::DrawPO2Chart()
{
    const int curves = ShowPO2Chart(PO2Chart->Chart(), *m_rig, &m_pO2Curves);
    // The names keep off the bands as well.
    if (DrawUncertaintyBands() > 0)
        PlacePO2Labels(PO2Chart->Chart(), m_pO2Curves);
    return curves;
}

} // namespace meldrix
