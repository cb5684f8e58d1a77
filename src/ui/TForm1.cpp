#include "ui/TForm1.h"

#include "chart/qt/TVistrelWidget.h"
#include "equil/EquilibriumTables.h"
#include "plots/CalibrationChart.h"
#include "rig/StartUp.h"
#include "tabed/qt/TCeltrix.h"
#include "ui/About.h"
#include "ui/CalCurveListModel.h"
#include "ui/DiagramArea.h"
#include "ui/FindReadingsDialog.h"
#include "ui/ParameterEditor.h"
#include "ui/Text.h"
#include "ui/UncertaintyRun.h"
#include "ui/canvas/MixerDiagramPainter.h"

#include <QActionGroup>
#include <QApplication>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <algorithm>
#include <exception>
#include <new>

using namespace Qt::Literals::StringLiterals;

namespace meldrix {

namespace {

// The designed client area and the docked controls.
constexpr int ClientWidth = 1067;
constexpr int ClientHeight = 853;
constexpr int MessageHeight = 20;
constexpr int EditorWidth = 176;
// Below this client size the spin box, OK and the editor no longer have room side by side.
constexpr int MinimumClientWidth = 480;
constexpr int MinimumClientHeight = 320;

const QColor Maroon(128, 0, 0);
const QColor Light3D(227, 227, 227);

QFont pixelFont(int pixels)
{
    // The designed 8-point face is a Windows font; the platform's sans-serif takes its place.
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    return font;
}

// The controls on the diagram's black margin are filled with that black, which makes them opaque:
// a change of their text then repaints the control alone, not the whole diagram beneath it again.
void fillWithDiagramBlack(QWidget* control)
{
    QPalette palette = control->palette();
    palette.setColor(QPalette::Window, Qt::black);
    control->setPalette(palette);
    control->setAutoFillBackground(true);
}

} // namespace

TForm1::TForm1(QWidget* parent)
    : QMainWindow(parent)
    , m_rig(std::make_unique<Rig>())
    , m_uncertainty(std::make_unique<UncertaintyView>())
    , m_findReadings(std::make_unique<FindReadingsMemory>())
{
    setObjectName(u"Form1"_s);
    setWindowTitle(u"Meldrix 0.301"_s);
    setFont(pixelFont(11));

    m_diagram = new DiagramArea(this);
    m_diagram->setObjectName(u"MixerDiagram"_s);
    setCentralWidget(m_diagram);
    connect(m_diagram, &DiagramArea::resized, this, [this] {
        dockControls();
        DrawMixer();
    });
    connect(
        m_diagram, &DiagramArea::paintFailed, this,
        [this](const QString& reason) {
            guarded([&] {
                ShowMessage(*m_rig, "The diagram could not be drawn: " + toSystemText(reason));
            });
        },
        Qt::QueuedConnection);

    setDiagramPainter([this](QPainter& painter) { paintMixerDiagram(painter, *m_rig); });

    createControls();
    createMenus();
    move(206, 225);
    resize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
    setMinimumSize(MinimumClientWidth, MinimumClientHeight + menuBar()->sizeHint().height());
    dockControls();
}

TForm1::~TForm1() = default;

void TForm1::createControls()
{
    Message1 = new MessageLabel(u"Messages."_s, m_diagram);
    Message1->setObjectName(u"Message1"_s);
    Message1->setAlignment(Qt::AlignCenter);
    Message1->setAutoFillBackground(true);
    QPalette messagePalette = Message1->palette();
    messagePalette.setColor(QPalette::Window, Maroon);
    messagePalette.setColor(QPalette::WindowText, Qt::white);
    Message1->setPalette(messagePalette);
    Message1->setFont(pixelFont(16));
    Message1->hide();

    ValueListEditor1 = new ParameterEditor(m_diagram);
    ValueListEditor1->setObjectName(u"ValueListEditor1"_s);
    ValueListEditor1->setHorizontalHeaderLabels({ u"Parameter"_s, u"Value"_s });
    QPalette editorPalette = ValueListEditor1->palette();
    editorPalette.setColor(QPalette::Base, Light3D);
    ValueListEditor1->setPalette(editorPalette);
    ValueListEditor1->ensureRows(1);
    ValueListEditor1->setRow(1, u"Dummy"_s, QString());
    ValueListEditor1->hide();
    connect(ValueListEditor1, &QTableWidget::itemChanged, this,
        [this] { guarded([this] { untakenTextChanged(); }); });

    SpinEdit1 = new QSpinBox(m_diagram);
    SpinEdit1->setObjectName(u"SpinEdit1"_s);
    SpinEdit1->setGeometry(824, 8, 65, 49);
    SpinEdit1->setFont(pixelFont(16));
    SpinEdit1->setRange(0, 17);
    SpinEdit1->setValue(0);
    SpinEdit1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    fillWithDiagramBlack(SpinEdit1);
    // Records are stepped with the arrows only.
    if (auto* text = SpinEdit1->findChild<QLineEdit*>())
        text->setReadOnly(true);
    connect(SpinEdit1, &QSpinBox::valueChanged, this, &TForm1::SpinEdit1Change);

    Button1 = new QPushButton(u"OK"_s, m_diagram);
    Button1->setObjectName(u"Button1"_s);
    Button1->setGeometry(821, 73, 65, 65);
    connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);

    Edit2 = new QLineEdit(m_diagram);
    Edit2->setObjectName(u"Edit2"_s);
    Edit2->setGeometry(821, 144, 65, 21);
    fillWithDiagramBlack(Edit2);
    Edit2->hide();
    connect(Edit2, &QLineEdit::textChanged, this, [this] {
        markGasName();
        untakenTextChanged();
    });

    // The results table, the point editor and the chart are placeholders with their designed
    // places until their widgets take them over.
    // Both tables hide the row-attribute column: their designed widths fill them without it.
    CellTabEd = new TCeltrix(u"CellTabEd"_s, m_diagram);
    CellTabEd->setGeometry(0, 0, 815, 150);
    CellTabEd->SetAttribRowVisible(false);
    CellTabEd->SetNrOfColumns(8);
    CellTabEd->SetNrOfRows(12);
    CellTabEd->SetDefaultColWidth(92);
    // Rows of 18 pixels let the designed height show six gases below the caption without
    // scrolling.
    CellTabEd->SetDefaultRowHeight(18);
    // Computed results are shown, not typed: the operator switches editing on deliberately.
    CellTabEd->SetEditingEnabled(false);
    CellTabEd->hide();

    ResultsCaption1 = new QLabel(m_diagram);
    ResultsCaption1->setObjectName(u"ResultsCaption1"_s);
    ResultsCaption1->setAutoFillBackground(true);
    ResultsCaption1->setIndent(4);
    ResultsCaption1->hide();

    // A veil over the table, not an effect on it: the table repaints its cells on its own, and
    // an effect on it was left out of those repaints.
    m_staleResults = new QWidget(m_diagram);
    m_staleResults->setObjectName(u"StaleResults1"_s);
    m_staleResults->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_staleResults->setAutoFillBackground(true);
    QPalette veil = m_staleResults->palette();
    veil.setColor(QPalette::Window, QColor(0, 0, 0, 150));
    m_staleResults->setPalette(veil);
    m_staleResults->hide();

    CalCurveEdit = new TCeltrix(u"CalCurveEdit"_s, m_diagram);
    CalCurveEdit->setGeometry(824, 400, 235, 408);
    CalCurveEdit->SetAttribRowVisible(false);
    CalCurveEdit->SetNrOfColumns(2);
    CalCurveEdit->SetNrOfRows(20);
    CalCurveEdit->SetColWidths({ 80, 66, 78 });
    // A point typed shows in the chart at once; it reaches the curve with OK only.
    connect(
        CalCurveEdit, &TCeltrix::OnClick, this, [this] { guarded([this] { previewCalChart(); }); });
    connect(CalCurveEdit, &TCeltrix::OnSetEditText, this,
        [this] { guarded([this] { previewCalChart(); }); });
    CalCurveEdit->hide();

    Vistrel1 = new TVistrelWidget(u"Vistrel1"_s, m_diagram);
    Vistrel1->setGeometry(583, 615, 235, 193);
    ConfigureCalChart(Vistrel1->Chart());
    Vistrel1->hide();

    // A view over the rig's curves: opening the editor formats only the rows in sight.
    m_calCurveList = new CalCurveListModel(*m_rig, this);
    CalGrid1 = new CalGridView(m_diagram);
    CalGrid1->setObjectName(u"CalGrid1"_s);
    CalGrid1->setModel(m_calCurveList);
    CalGrid1->setGeometry(50, 616, 495, 192);
    const int gridWidths[] = { 64, 64, 64, 64, 42, 64, 64, 38 };
    for (int column = 0; column < 8; ++column)
        CalGrid1->setColumnWidth(column, gridWidths[column]);
    // The last column takes what the designed widths leave; headings start on the left, so a
    // narrow one still shows its beginning.
    CalGrid1->horizontalHeader()->setStretchLastSection(true);
    CalGrid1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    CalGrid1->horizontalHeader()->setHighlightSections(false);
    CalGrid1->verticalHeader()->hide();
    CalGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    CalGrid1->verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 6);
    CalGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    CalGrid1->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed
        | QAbstractItemView::SelectedClicked);
    connect(CalGrid1, &QTableView::doubleClicked, this,
        [this](const QModelIndex& index) { guarded([&] { SelectCalCurve(index); }); });
    CalGrid1->hide();

    OpenDialog1 = new QFileDialog(this);
    OpenDialog1->setObjectName(u"OpenDialog1"_s);
    OpenDialog1->setOption(QFileDialog::DontUseNativeDialog);
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);

    SaveDialog1 = new QFileDialog(this);
    SaveDialog1->setObjectName(u"SaveDialog1"_s);
    SaveDialog1->setOption(QFileDialog::DontUseNativeDialog);
    SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog1->setFileMode(QFileDialog::AnyFile);
}

QMenu* TForm1::addMenu(QWidget* parent, const QString& name, const QString& caption)
{
    auto* menu = new QMenu(caption, parent);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    parent->addAction(menu->menuAction());
    return menu;
}

QAction* TForm1::addCommand(
    QWidget* menu, const QString& name, const QString& caption, void (TForm1::*handler)())
{
    auto* action = new QAction(caption, menu);
    action->setObjectName(name);
    menu->addAction(action);
    if (handler)
        connect(action, &QAction::triggered, this, handler);
    return action;
}

void TForm1::createMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(u"MainMenu1"_s);
    // Menus keep the platform's menu font.
    bar->setFont(QApplication::font());

    QMenu* file = addMenu(bar, u"File1"_s, u"&File"_s);
    addCommand(file, u"OpenAll1"_s, u"Open All"_s, &TForm1::OpenAll1Click)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    QMenu* open = addMenu(file, u"g1"_s, u"&Open"_s);
    addCommand(open, u"InputGases1"_s, u"&InputGases"_s, &TForm1::InputGases1Click);
    addCommand(open, u"MixerOutline1"_s, u"Mixer"_s, &TForm1::MixerOutline1Click);
    addCommand(open, u"Calibrations1"_s, u"Calibrations"_s, &TForm1::Calibrations1Click);
    addCommand(open, u"OutputCells1"_s, u"&OutputCells"_s, &TForm1::OutputCells1Click);
    QMenu* save = addMenu(file, u"Save1"_s, u"&Save"_s);
    addCommand(save, u"InputMixtures1"_s, u"&InputGases"_s, &TForm1::InputMixtures1Click);
    addCommand(save, u"Mixer1"_s, u"Mixer"_s, &TForm1::Mixer1Click);
    addCommand(save, u"Calibrations2"_s, u"Calibrations"_s, &TForm1::Calibrations2Click);
    addCommand(save, u"Cells1"_s, u"&OutputCells"_s, &TForm1::Cells1Click);
    QMenu* saveAs = addMenu(file, u"SaveAs1"_s, u"Save As"_s);
    addCommand(saveAs, u"InputMixtures2"_s, u"&InputGases"_s, &TForm1::InputMixtures2Click);
    addCommand(saveAs, u"Flowmeters1"_s, u"Mixer"_s, &TForm1::Flowmeters1Click);
    addCommand(saveAs, u"Calibrations3"_s, u"Calibrations"_s, &TForm1::Calibrations3Click);
    addCommand(saveAs, u"OutputCells2"_s, u"OutputCells"_s, &TForm1::OutputCells2Click);
    addCommand(file, u"SaveAll1"_s, u"Save All"_s, &TForm1::SaveAll1Click)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    addCommand(file, u"SaveAllAs1"_s, u"Save All As"_s, &TForm1::SaveAllAs)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    addCommand(file, u"ExportDiagram1"_s, u"Export diagram\u2026"_s, &TForm1::ExportDiagram1Click);
    addCommand(file, u"ExportReport1"_s, u"Export report\u2026"_s, &TForm1::ExportReport1Click);
    addCommand(file, u"Print1"_s, u"&Print\u2026"_s, &TForm1::Print1Click)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    file->addSeparator();
    addCommand(file, u"Exit1"_s, u"E&xit"_s, &TForm1::Exit1Click)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* edit = addMenu(bar, u"Edit1"_s, u"&Edit"_s);
    addCommand(edit, u"InputMixtures3"_s, u"InputMixtures"_s, &TForm1::InputMixtures3Click);
    addCommand(edit, u"Flowmeters2"_s, u"Flowmeters"_s, &TForm1::Flowmeters2Click);
    addCommand(edit, u"Calibrations4"_s, u"Calibrations"_s, &TForm1::Calibrations4Click);
    addCommand(edit, u"OutputCells3"_s, u"&OutputCells"_s, &TForm1::OutputCells3Click);

    addCommand(
        bar, u"FlowmeterReadings1"_s, u"Flowmeter&Readings"_s, &TForm1::FlowmeterReadings1Click);
    // A command on the menu bar itself shows no shortcut beside it; its tooltip names them.
    QAction* run = addCommand(bar, u"Run1"_s, u"E&xecute"_s, &TForm1::Run1Click);
    run->setShortcuts({ QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_R) });
    run->setToolTip(u"Execute (F5, Ctrl+R)"_s);
    addCommand(bar, u"FindReadings1"_s, u"Fi&nd readings\u2026"_s, &TForm1::FindReadings1Click);

    QMenu* settings = addMenu(bar, u"Se1"_s, u"&Settings"_s);
    // The display toggles show whether they are on.
    addCommand(settings, u"Linlogtoggle1"_s, u"&Lin/log toggle"_s, &TForm1::Linlogtoggle1Click)
        ->setCheckable(true);
    addCommand(settings, u"EquilRTtoggle1"_s, u"&Equil./RT toggle"_s, &TForm1::EquilRTtoggle1Click)
        ->setCheckable(true);
    addCommand(settings, u"CellTemperature1"_s, u"Equilibrium at cell &temperature"_s,
        &TForm1::CellTemperature1Click)
        ->setCheckable(true);
    addCommand(
        settings, u"PO2Chart1"_s, u"log10 pO&2 against temperature"_s, &TForm1::PO2Chart1Click);
    settings->addSeparator();
    addCommand(settings, u"FlowModel1"_s, u"&Flow model\u2026"_s, &TForm1::FlowModel1Click);
    addCommand(
        settings, u"MeterAccuracy1"_s, u"Meter &accuracy\u2026"_s, &TForm1::MeterAccuracy1Click);
    m_uncertainty->Toggle = addCommand(
        settings, u"Uncertainty1"_s, u"\u00B1 &uncertainty"_s, &TForm1::Uncertainty1Click);
    m_uncertainty->Toggle->setCheckable(true);

    QMenu* tools = addMenu(bar, u"Tools1"_s, u"&Tools"_s);
    addCommand(tools, u"CheckDataSet1"_s, u"&Check data set\u2026"_s, &TForm1::CheckDataSet1Click);
    addCommand(tools, u"OperatingMap1"_s, u"Operating &map\u2026"_s, &TForm1::OperatingMap1Click);

    QMenu* view = addMenu(bar, u"View1"_s, u"&View"_s);
    addCommand(view, u"Messages1"_s, u"&Messages\u2026"_s, &TForm1::Messages1Click);
    view->addSeparator();
    auto* zoom = new QActionGroup(view);
    for (QAction* action :
        { addCommand(view, u"FitToWindow1"_s, u"&Fit to window"_s, &TForm1::FitToWindow1Click),
            addCommand(view, u"ActualSize1"_s, u"&Actual size"_s, &TForm1::ActualSize1Click) }) {
        action->setCheckable(true);
        zoom->addAction(action);
    }
    view->findChild<QAction*>(u"FitToWindow1"_s)->setChecked(true);

    QMenu* help = addMenu(bar, u"Help1"_s, u"Help"_s);
    addCommand(help, u"AboutMeldrix1"_s, u"About Meldrix"_s, &TForm1::AboutMeldrix1Click);
}

void TForm1::dockControls()
{
    // The message line takes the bottom only while it is shown; the editor fills the right edge
    // above it.
    const int width = m_diagram->width();
    const int height = m_diagram->height();
    // A message too long for the line is elided in the middle; the tooltip holds all of it.
    Message1->setGeometry(0, height - MessageHeight, width, MessageHeight);
    const int bottom = Message1->isHidden() ? height : height - MessageHeight;
    ValueListEditor1->setGeometry(width - EditorWidth, 0, EditorWidth, bottom);
    // The spin box, OK, the name field and the point editor keep their designed distance to the
    // right edge, beside the editor; the curve list, the point editor and the chart theirs to the
    // bottom, so that a window lower than designed still shows them whole above the message
    // line, and a larger one keeps them together at its bottom.
    const int shift = width - ClientWidth;
    // The point editor's top stays inside the window.
    const int lift = std::max(height - ClientHeight, -400);
    SpinEdit1->move(824 + shift, 8);
    Button1->move(821 + shift, 73);
    Edit2->move(821 + shift, 144);
    CalCurveEdit->move(824 + shift, 400 + lift);
    CalGrid1->move(50, 616 + lift);
    Vistrel1->move(583, 615 + lift);
    // In a small window the results table reaches under them; they stay on top.
    for (QWidget* control : { static_cast<QWidget*>(ValueListEditor1),
             static_cast<QWidget*>(SpinEdit1), static_cast<QWidget*>(Button1),
             static_cast<QWidget*>(Edit2), static_cast<QWidget*>(Message1) })
        control->raise();

    // The diagram fits what the editor and the message line leave of the area.
    int diagramRight = 0;
    int diagramBottom = 0;
    for (const LayoutBox& box : m_rig->FlowmeterBoxes)
        diagramRight = std::max<int>(diagramRight, box.Right);
    for (const LayoutBox& box : m_rig->CellBoxes)
        diagramRight = std::max<int>(diagramRight, box.Right);
    for (const LayoutBox& box : m_rig->GasBoxes)
        diagramBottom = std::max<int>(diagramBottom, box.Bottom);
    // Room for the mixture lines beside the last stage and for the caption below the gases.
    const QSize extent(diagramRight + 12, diagramBottom + 30);
    const QSize room(ValueListEditor1->isHidden() ? width : width - EditorWidth,
        Message1->isHidden() ? height : height - MessageHeight);
    // A window larger than designed shows the diagram as much larger, no more: the controls over
    // it keep their sizes.
    const double larger = std::min(double(width) / ClientWidth, double(height) / ClientHeight);
    m_diagram->setExtent(extent, room, larger);
}

void TForm1::fitToScreen(const QRect& available)
{
    // The frame is not known before the window is shown: a title bar and borders are allowed for.
    const QSize frame(16, 40);
    // A screen larger than the designed window gets a window as much larger in both directions,
    // the diagram enlarged with it; a smaller one a window that fits it.
    const QSize designed = size();
    const QSize space = available.size() - frame;
    const double larger = std::min(
        double(space.width()) / designed.width(), double(space.height()) / designed.height());
    const QSize fitted = larger > 1.0 ? QSize(static_cast<int>(designed.width() * larger),
                             static_cast<int>(designed.height() * larger))
                                            .boundedTo(space)
                                      : designed.boundedTo(space);
    resize(fitted.expandedTo(minimumSize()));
    const int x = std::clamp(206, available.left(),
        std::max(available.left(), available.right() + 1 - width() - frame.width()));
    const int y = std::clamp(225, available.top(),
        std::max(available.top(), available.bottom() + 1 - height() - frame.height()));
    move(x, y);
}

void TForm1::FitToWindow1Click()
{
    guarded([this] { m_diagram->setZoom(DiagramArea::Zoom::FitToWindow); });
}

void TForm1::ActualSize1Click()
{
    guarded([this] {
        m_diagram->setZoom(DiagramArea::Zoom::ActualSize);
        dockControls();
    });
}

void TForm1::guarded(const std::function<void()>& command)
{
    try {
        command();
    } catch (const std::bad_alloc&) {
        ShowMessage(*m_rig, "Not enough memory to finish the command.");
    } catch (const std::exception& error) {
        ShowMessage(*m_rig, std::string("The command failed: ") + error.what());
    } catch (...) {
        ShowMessage(*m_rig, "The command failed for an unknown reason.");
    }
    showRigMessage();
}

void TForm1::showRigMessage()
{
    const QString text = fromSystemText(m_rig->Message1.Text);
    const QString detail =
        m_rig->Message1.Detail.empty() ? text : fromSystemText(m_rig->Message1.Detail);
    if (m_rig->Message1.Visible && m_rig->Message1.Shown != m_loggedShown) {
        m_loggedShown = m_rig->Message1.Shown;
        m_messages.push_back({ QDateTime::currentDateTime(), text,
            m_rig->Message1.Detail.empty() ? QString() : detail });
        if (m_messageLog && m_messageLog->isVisible())
            m_messageLog->showMessages(m_messages);
    }
    if (Message1->text() != text)
        Message1->setText(text);
    if (Message1->toolTip() != detail)
        Message1->setToolTip(detail);
    if (Message1->isHidden() == m_rig->Message1.Visible)
        Message1->setVisible(m_rig->Message1.Visible);
    dockControls();
}

void TForm1::StartUp(const std::string& baseName, bool namedByUser)
{
    guarded([&] {
        StartUpSteps steps;
        steps.prepareEditorRows = [this] { ValueListEditor1->ensureRows(EditorRowCount); };
        steps.initEquilibriumTables = InitEquilibriumTables;
        reportLoads(meldrix::StartUp(*m_rig, baseName, steps), !namedByUser);
        dockControls(); // the diagram's extent follows its layout
    });
}

void TForm1::setFileChooser(FileChooser chooser)
{
    m_fileChooser = std::move(chooser);
}

void TForm1::setDiagramPainter(DiagramPainter painter)
{
    m_diagram->setPainter(std::move(painter));
}

void TForm1::DrawMixer()
{
    m_diagram->update();
}

void TForm1::HideCalForms()
{
    Vistrel1->hide();
    CalCurveEdit->hide();
    CalGrid1->hide();
    DrawMixer();
}

void TForm1::Messages1Click()
{
    guarded([this] {
        if (!m_messageLog)
            m_messageLog = new MessageLogWindow(this);
        m_messageLog->showMessages(m_messages);
        m_messageLog->show();
        m_messageLog->raise();
    });
}

void TForm1::AboutMeldrix1Click()
{
    guarded([this] {
        QMessageBox about(
            QMessageBox::Information, u"About Meldrix"_s, AboutText(), QMessageBox::Ok, this);
        about.setObjectName(u"AboutMeldrix"_s);
        about.setTextFormat(Qt::RichText);
        ask(about);
    });
}

void TForm1::Exit1Click()
{
    // Nothing is saved unasked; closing asks when there are unsaved changes.
    guarded([this] { close(); });
}

} // namespace meldrix
