#pragma once

#include "target/TargetSearch.h"

#include <QDialog>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace meldrix {

//! "Find readings…": the operator picks a cell, the wanted gas fractions, log10 pO2 or flow, and
//! the free stages; Find searches on a copy of the rig off the window's thread; Apply hands the
//! proposed readings to the window.
class FindReadingsDialog : public QDialog {
    Q_OBJECT
public:
    using Readings = std::array<double, MaxFlowmeters>; //!< stages 1..16 at [0..15]
    using ApplyReadings = std::function<void(const Readings&)>;

    FindReadingsDialog(const Rig& rig, ApplyReadings apply, QWidget* parent = nullptr);
    ~FindReadingsDialog() override;

    //! The outcome of the last search, while one is shown.
    const std::optional<TargetOutcome>& outcome() const { return m_outcome; }
    bool searching() const { return m_searching; }

private:
    void buildControls();
    void cellChosen();
    void find();
    void cancel();
    void apply();
    void searchEnded(TargetOutcome outcome);
    void searchFailed(const QString& reason);
    void setSearching(bool searching);
    //! The request the controls describe; a sentence saying what is wrong otherwise.
    std::optional<TargetRequest> request(QString& problem) const;
    int chosenCell() const;

    const Rig& m_rig;
    ApplyReadings m_apply;
    std::optional<TargetOutcome> m_outcome;
    bool m_searching = false;
    std::jthread m_worker;

    QComboBox* m_cell = nullptr;
    QTableWidget* m_fractions = nullptr;
    QLineEdit* m_pO2 = nullptr;
    QLineEdit* m_flow = nullptr;
    std::array<QCheckBox*, MaxFlowmeters> m_free {};
    QPushButton* m_find = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_applyButton = nullptr;
    QPushButton* m_close = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_status = nullptr;
    QTableWidget* m_achieved = nullptr;
    QTableWidget* m_proposal = nullptr;
};

} // namespace meldrix
