#pragma once

#include "check/DataSetCheck.h"
#include "equil/CellGibbs.h"
#include "rig/DataFiles.h"
#include "rig/Rig.h"
#include "ui/EditorRows.h"
#include "ui/MessageLine.h"

#include <QMainWindow>
#include <QMessageBox>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class QFileDialog;
class QLabel;
class QLineEdit;
class QMenu;
class QPainter;
class QPushButton;
class QSpinBox;
class QModelIndex;

namespace meldrix {

//! How the equilibrium-at-cell-temperature display's message starts.
inline constexpr std::string_view GibbsMessagePrefix = "Equilibrium at cell temperature: ";

class CalCurveListModel;
class CalGridView;
class CheckDataSetWindow;
class DiagramArea;
class TVistrelWidget;
class TCeltrix;
class ParameterEditor;
struct UncertaintyView;
struct UncertaintyResult;
struct UncertaintyOptions;
struct FindReadingsMemory;

//! The main window. Its client area is the mixer diagram; the editors, the calibration views and
//! the message line lie over it. It owns the rig.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    //! Shows a configured file dialog and returns the chosen path, or nothing when cancelled.
    using FileChooser = std::function<std::optional<QString>(QFileDialog&)>;
    using DiagramPainter = std::function<void(QPainter&)>;
    //! Shows a configured question and returns the button chosen.
    using QuestionAsker = std::function<QMessageBox::StandardButton(QMessageBox&)>;

    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    Rig& rig() { return *m_rig; }
    const Rig& rig() const { return *m_rig; }

    //! Start-up with this window's editor rows, loading the data set `baseName`. A damaged data
    //! set is reported on the message line; a missing one only when the user named it.
    void StartUp(const std::string& baseName, bool namedByUser = false);

    //! Replaces the modal run of the file dialogs (tests answer them without a modal loop).
    void setFileChooser(FileChooser chooser);

    //! Replaces the modal run of the questions (tests answer them without a modal loop).
    void setQuestionAsker(QuestionAsker asker);

    //! The diagram's painter; it runs on every repaint of the client area after it is filled black.
    void setDiagramPainter(DiagramPainter painter);

    //! Requests a repaint of the diagram.
    void DrawMixer();

    //! Makes the window fit the screen space `available`, frame included, at most at its designed
    //! size; on start-up, so that a small screen shows the message line and OK.
    void fitToScreen(const QRect& available);

    //! Hides the calibration chart, point editor and curve list, then redraws the diagram.
    void HideCalForms();

public Q_SLOTS:
    void OpenAll1Click();
    void InputGases1Click();
    void MixerOutline1Click();
    void Calibrations1Click();
    void OutputCells1Click();
    void InputMixtures1Click();
    void Mixer1Click();
    void Calibrations2Click();
    void Cells1Click();
    void InputMixtures2Click();
    void Flowmeters1Click();
    void Calibrations3Click();
    void OutputCells2Click();
    void SaveAll1Click();
    void SaveAllAs();
    void ExportDiagram1Click();
    //! The report of a run of the data set as shown: HTML or PDF, or printed (ReportCommands.cpp).
    void ExportReport1Click();
    void Print1Click();
    void Exit1Click();

    void InputMixtures3Click();
    void Flowmeters2Click();
    void Calibrations4Click();
    void OutputCells3Click();
    void FlowmeterReadings1Click();
    void Run1Click();
    void Linlogtoggle1Click();
    void EquilRTtoggle1Click();
    void CellTemperature1Click();
    void PO2Chart1Click();
    void FlowModel1Click();
    void MeterAccuracy1Click();
    void Uncertainty1Click();
    void FindReadings1Click();
    //! Tools › Check data set…: the findings in a window of their own (CheckCommands.cpp).
    void CheckDataSet1Click();
    void OperatingMap1Click();

    void Messages1Click();
    void FitToWindow1Click();
    void ActualSize1Click();
    void AboutMeldrix1Click();

    void SpinEdit1Change(int value);
    void Button1Click();

protected:
    //! Closing asks first when a data file has unsaved changes.
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void createMenus();
    QMenu* addMenu(QWidget* parent, const QString& name, const QString& caption);
    QAction* addCommand(
        QWidget* menu, const QString& name, const QString& caption, void (TForm1::*handler)());
    void dockControls();

    //! Runs a command; an exception that reaches it ends on the message line, never in Qt.
    void guarded(const std::function<void()>& command);
    //! Shows the rig's message line in Message1.
    void showRigMessage();
    //! The results table's display of the cells' equilibria, once a run has fed them, and the pO2
    //! chart in a window of its own (GibbsCommands.cpp).
    void ShowGibbsResults();
    //! Returns the number of curves drawn.
    int DrawPO2Chart();
    //! Draws the pO2 chart again when it is open, bands only of a current answer on display.
    void refreshPO2Chart();
    // The "± uncertainty" display, once a run has fed the cells, and its runs
    // (UncertaintyCommands.cpp).
    void ShowUncertaintyResults();
    void showUncertainty(bool shown);
    //! The last uncertainty answer no longer fits the rig: a run going on is dropped.
    void UncertaintyOutOfDate();
    void UncertaintyFinished();
    //! Each cell's pO2 band on the pO2 chart, from a current answer; returns the bands drawn.
    int DrawUncertaintyBands();
    //! The last uncertainty answer when it is of the rig as it stands, for the report; else null.
    const UncertaintyResult* currentUncertainty() const;
    //! The options of the display's uncertainty runs: the meters' accuracy of the data set.
    UncertaintyOptions uncertaintyOptions() const;

    std::optional<QString> chooseFile(QFileDialog& dialog);
    QString dataSetFolder() const;
    void openDataFile(DataFile file);
    void saveDataFile(DataFile file);
    void saveDataFileAs(DataFile file);
    void reportLoads(const std::array<LoadResult, 4>& results, bool missingIsSilent);
    //! A failed save's reason, or the files saved.
    void reportSave(const std::optional<std::string>& error, std::span<const DataFile> files);
    //! Writes the diagram as the client area shows it, as SVG or PNG by the path's extension;
    //! the reason when it could not be written.
    std::optional<QString> exportDiagram(const QString& path);
    //! Writes the run report as HTML or PDF by the path's extension; the reason when it could not
    //! be written.
    std::optional<QString> exportReport(const QString& path);
    //! File › Export `what`: a save dialog of two kinds, the first chosen at start (a name typed
    //! without an extension takes the chosen kind's suffix), then `write`, then a message that
    //! says how it went.
    void exportThroughDialog(const QString& what, const QString& firstFilter,
        const QString& firstSuffix, const QString& secondFilter, const QString& secondSuffix,
        std::optional<QString> (TForm1::*write)(const QString& path));
    //! Writes `bytes` whole or not at all: the previous file stays as it was when anything fails.
    //! The reason when it could not be written.
    static std::optional<QString> writeWhole(const QString& path, const QByteArray& bytes);
    QMessageBox::StandardButton ask(QMessageBox& question);
    //! Asks before a save overwrites a file that was read as damaged; false when the answer is No.
    bool confirmReplacingDamaged(std::span<const DataFile> files);
    //! Asks before unsaved changes of these files are lost (Save All, Discard, Cancel); false when
    //! the command must not go on.
    bool confirmLosingChanges(std::span<const DataFile> files);
    //! Save All, after asking about damaged targets; true when all four were saved.
    bool saveAllFiles();

    //! Shows `value` in the spin box for a record kind numbered 1..max, without a change event.
    void showInSpinBox(int value, int max);
    //! The editor of one record of a kind numbered 1..max, the spin box stepping through them:
    //! `current` (a fresh rig's 0 becoming 1) shown by `page`. The record's index.
    int showRecordEditor(std::uint16_t mode, std::uint16_t& current, int max,
        EditorPage (*page)(const Rig& rig, int index));
    // The read-backs return what they did not take; OK shows those rows' stored values again.
    RowRefusals ReadCellsTable();
    RowRefusals ReadFlowmetersTable();
    RowRefusals ReadInputGasesTable();
    RowRefusals ReadFlowmeterReadingsTable();
    //! The name in Edit2 as record text: the bytes it was shown from while it is unchanged.
    std::string typedGasName() const;
    //! Bold on a tint while Edit2 holds a name not yet taken with OK.
    void markGasName();
    //! After an edit in the record editor or the name: drops a transient message once nothing
    //! typed waits for OK any more.
    void untakenTextChanged();
    //! Says so on the message line when the open editor holds text not yet taken with OK; the
    //! sentence starts with `refused` ("Not executed").
    bool reportUntakenText(std::string_view refused);
    //! Readings a dialog proposes (stages 1..16 at [0..15]): put into the stages as if typed in the
    //! readings editor and taken with OK, then Execute (TargetCommands.cpp).
    void applyProposedReadings(const std::array<double, MaxFlowmeters>& readings);
    //! Shows a message about what the operator typed or chose; it goes again once that is undone
    //! (the text typed back, dropped or taken, the display left).
    void showTransientMessage(const std::string& text);
    //! Hides the message line when it still shows the last transient message.
    void dropTransientMessage();
    //! After an uncertainty run: what it says beyond its numbers, on the message line.
    void showUncertaintyRemarks(const UncertaintyResult& result);
    //! Runs an edit; when it changed what Execute reads, the results shown are out of date.
    void takeEdits(const std::function<void()>& edit);
    //! OK: reads the editor back into the records of its kind.
    void takeEditor();
    void markResultsOutOfDate();
    //! The results table's caption and dimming, as the table and the rig stand.
    void showResultsState();
    //! The name of what the results table shows: "Gas fractions", ...
    QString resultsDisplayName() const;
    //! What "???" in the table shown means, or empty when it shows none.
    QString unknownValuesNote() const;
    //! After a display toggle: the menu's checks and the table; a message of a display left goes.
    void displayChanged();
    void syncDisplayToggles();
    //! Places the results table and its caption over the window.
    void placeResultsTable();
    //! After a data file was opened: the previous data set's results and editor page go.
    void dataSetReplaced();
    //! Checks the data set as it stands; the open check window shows the new findings.
    Findings checkDataSet();
    //! After Open All: the count of the check's findings on the message line, after what the
    //! loading said.
    void reportCheck();
    //! Opens the editor of the record a finding names, on that record.
    void showFindingRecord(const Finding& finding);

    // Filled by the Execute and results work (RunCommands.cpp).
    void RunExecute();
    void ShowResults();
    // The calibration editor and its chart (CalibrationCommands.cpp).
    void ShowCalibrationEditor();
    //! The sentence saying what the curve list did not take, or empty.
    std::string ReadCalibrationsTable();
    //! Draws the chart of the points as the point editor shows them, not yet taken.
    void previewCalChart();
    //! What the calibration editor holds that OK has not taken: "the curve list", "Curve 3 P-2".
    std::vector<std::string> pendingCalibrationEdits() const;
    //! OK in the calibration editor: the curve list and the point editor.
    void ReadCalibrationEditor();
    void ListCalCurve();
    void fillPointEditor();
    //! The point editor's tooltip says what "???" means while it shows one.
    void explainUnknownPoints();
    //! Shows the curves read from a file in the calibration editor's views.
    void CalibrationsLoaded();
    void SelectCalCurve(const QModelIndex& index);
    void ShowCalChart();
    //! The calibration chart of `points` as the current curve, with the points the last run used
    //! on it; `taken` false says they are the point editor's, not stored yet.
    void drawCalChart(const CalCurveRecord& points, bool taken);
    //! The curve being edited, made a curve number 1..1000 first.
    int currentCalCurve();

    std::unique_ptr<Rig> m_rig;
    std::unique_ptr<UncertaintyView> m_uncertainty;
    std::unique_ptr<FindReadingsMemory> m_findReadings; //!< for the session, never saved
    FileChooser m_fileChooser;
    QuestionAsker m_questionAsker;
    std::string m_gasNameShown; //!< the bytes Edit2 was filled from
    QWidget* m_pO2Window = nullptr;
    std::vector<LoggedMessage> m_messages; //!< every message shown, oldest first
    std::uint64_t m_loggedShown = 0; //!< the rig's count of messages at the last one logged
    std::uint64_t m_transientShown = 0; //!< the rig's count of messages at the last transient one
    MessageLogWindow* m_messageLog = nullptr;
    CheckDataSetWindow* m_checkWindow = nullptr;
    TVistrelWidget* PO2Chart = nullptr;
    std::vector<PO2Curve> m_pO2Curves; //!< what the pO2 chart shows, to place its names again
    FlowModelKind m_resultsModel = FlowModelKind::AsSpecified; //!< of the last Execute

    DiagramArea* m_diagram = nullptr;
    QLabel* Message1 = nullptr;
    ParameterEditor* ValueListEditor1 = nullptr;
    QSpinBox* SpinEdit1 = nullptr;
    QPushButton* Button1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    TCeltrix* CalCurveEdit = nullptr;
    TCeltrix* CellTabEd = nullptr;
    QLabel* ResultsCaption1 = nullptr;
    QWidget* m_staleResults = nullptr; //!< dims the results table while out of date
    TVistrelWidget* Vistrel1 = nullptr;
    CalGridView* CalGrid1 = nullptr;
    CalCurveListModel* m_calCurveList = nullptr;
    QFileDialog* OpenDialog1 = nullptr;
    QFileDialog* SaveDialog1 = nullptr;
};

} // namespace meldrix
