#include "ui/CheckDataSetWindow.h"

#include "common/qt/RecordText.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <array>

using namespace Qt::Literals::StringLiterals;

namespace meldrix {

namespace {

QColor severityColour(FindingSeverity severity)
{
    switch (severity) {
    case FindingSeverity::Error:
        return { 176, 0, 0 };
    case FindingSeverity::Warning:
        return { 160, 96, 0 };
    case FindingSeverity::Note:
        break;
    }
    return { 64, 64, 64 };
}

} // namespace

CheckDataSetWindow::CheckDataSetWindow(QWidget* parent)
    : ToolWindow(u"CheckDataSetWindow"_s, u"Check data set"_s, parent)
{
    m_heading = new QLabel(this);
    m_heading->setObjectName(u"CheckHeading1"_s);
    m_heading->setWordWrap(true);
    m_table = new QTableWidget(0, 3, this);
    m_table->setObjectName(u"Findings1"_s);
    m_table->setHorizontalHeaderLabels({ u"Severity"_s, u"Where"_s, u"Finding"_s });
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setWordWrap(true);
    m_table->setToolTip(u"Double-click a finding, or press Enter on it, to open its record"_s);
    // A double-click or Enter, as the platform activates an item.
    connect(m_table, &QTableWidget::cellActivated, this, [this](int row) {
        if (row >= 0 && row < static_cast<int>(m_findings.size()))
            Q_EMIT findingChosen(m_findings[static_cast<std::size_t>(row)]);
    });
    auto* again = new QPushButton(u"Check &again"_s, this);
    again->setObjectName(u"CheckAgain1"_s);
    connect(again, &QPushButton::clicked, this, &CheckDataSetWindow::checkAgain);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_heading);
    layout->addWidget(m_table);
    layout->addLayout(buttonRow({ again }));
    resize(820, 420);
}

void CheckDataSetWindow::showFindings(const QString& dataSet, Findings findings)
{
    m_findings = std::move(findings);
    m_heading->setText(dataSet + u": "_s + fromRecordText(FindingsCount(m_findings))
        + (m_findings.empty() ? u" found."_s : u"."_s));
    m_table->setRowCount(static_cast<int>(m_findings.size()));
    int row = 0;
    for (const Finding& finding : m_findings) {
        const std::array<QString, 3> texts = { fromRecordText(SeverityKey(finding.Severity)),
            fromRecordText(FindingPlace(finding)), fromRecordText(finding.Text + ".") };
        for (int column = 0; column < 3; ++column) {
            auto* item = new QTableWidgetItem(texts[static_cast<std::size_t>(column)]);
            item->setToolTip(texts[2]);
            if (column == 0)
                item->setForeground(severityColour(finding.Severity));
            m_table->setItem(row, column, item);
        }
        ++row;
    }
    m_table->resizeColumnToContents(0);
    m_table->resizeColumnToContents(1);
    m_table->resizeRowsToContents();
    if (!m_findings.empty())
        m_table->setCurrentCell(0, 0);
}

} // namespace meldrix
