#pragma once

#include "target/TargetSearch.h"

#include <QDialog>
#include <QString>
#include <array>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace meldrix {

//! What the operator last asked Find readings for: the window keeps it for the session, so that
//! the dialog opens on it again (nothing of it is saved).
struct FindReadingsMemory {
    int Cell = 0; //!< 1..8; 0 before the first question
    std::vector<std::pair<QString, QString>> Fractions; //!< gas, wanted fraction as typed
    QString PO2; //!< as typed
    QString Flow; //!< as typed
    std::array<bool, MaxFlowmeters> Free {}; //!< the ticks, for Cell
    //! The readings of the last search that proposed any (stages 1..16 at [0..15]), and its cell:
    //! the operating map marks them.
    int ProposalCell = 0;
    std::array<double, MaxFlowmeters> Proposal {};
};

//! "Find readings…": the operator picks a cell, the wanted gas fractions, log10 pO2 or flow, and
//! the free stages; Find searches on a copy of the rig off the window's thread; Apply hands the
//! proposed readings to the window.
class FindReadingsDialog : public QDialog {
    Q_OBJECT
public:
    using Readings = std::array<double, MaxFlowmeters>; //!< stages 1..16 at [0..15]
    using ApplyReadings = std::function<void(const Readings&)>;

    //! Opens on what `memory` holds and keeps what the operator asks in it when it closes;
    //! `memory` outlives the dialog or the dialog's parent.
    FindReadingsDialog(
        const Rig& rig, ApplyReadings apply, FindReadingsMemory& memory, QWidget* parent = nullptr);

    void done(int result) override;

    //! The outcome of the last search, while one is shown.
    const std::optional<TargetOutcome>& outcome() const { return m_outcome; }
    bool searching() const { return m_searching; }

private:
    void buildControls();
    void recall();
    void remember() const;
    void showNow();
    void cellChosen();
    void cellChosenNote();
    void clearOutcome();
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
    FindReadingsMemory& m_memory;
    std::optional<TargetOutcome> m_outcome;
    bool m_searching = false;
    // Declared after all a worker reads: on closing, the request to stop and the wait for the
    // worker come first. It has a copy of the rig of its own and only has to notice and end.
    std::jthread m_worker;

    QComboBox* m_cell = nullptr;
    QTableWidget* m_fractions = nullptr;
    QLineEdit* m_pO2 = nullptr;
    QLineEdit* m_flow = nullptr;
    std::array<QCheckBox*, MaxFlowmeters> m_free {};
    QLabel* m_freeNote = nullptr;
    QPushButton* m_find = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_applyButton = nullptr;
    QPushButton* m_close = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_status = nullptr;
    QTableWidget* m_achieved = nullptr;
    QTableWidget* m_proposal = nullptr;
    QTableWidget* m_sideEffects = nullptr;
    QLabel* m_warnings = nullptr;
};

//! What a search that threw says: the exception's text read as the core's 8-bit (Latin-1) text.
QString SearchFailure(const std::exception_ptr& failure);

} // namespace meldrix
