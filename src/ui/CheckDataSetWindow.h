#pragma once

#include "check/DataSetCheck.h"
#include "ui/ToolWindow.h"

class QLabel;
class QTableWidget;

namespace meldrix {

//! Tools › Check data set…: what the check found in the data set, one row each (severity, place,
//! sentence). A double-click on a row asks for the record's editor.
class CheckDataSetWindow : public ToolWindow {
    Q_OBJECT
public:
    explicit CheckDataSetWindow(QWidget* parent = nullptr);

    //! Shows the findings of the data set named `dataSet`.
    void showFindings(const QString& dataSet, Findings findings);
    const Findings& findings() const { return m_findings; }

Q_SIGNALS:
    //! The operator wants to see where a finding is.
    void findingChosen(const meldrix::Finding& finding);
    //! "Check again": the data set may have changed since.
    void checkAgain();

private:
    QLabel* m_heading = nullptr;
    QTableWidget* m_table = nullptr;
    Findings m_findings;
};

} // namespace meldrix
