#include "ui/OperatingMapDialog.h"

#include "common/TextFormat.h"
#include "common/qt/QPainterCanvas.h"
#include "common/qt/RecordText.h"
#include "mixer/Execute.h"
#include "ui/FindReadingsDialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace meldrix {

namespace {

constexpr int RefreshMs = 150; // how often the picture follows the rows computed

QString number(double value)
{
    return QString::number(value, 'g', 6);
}

QComboBox* comboBox(const QString& name, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    return box;
}

QLabel* label(const QString& name, QWidget* parent)
{
    auto* widget = new QLabel(parent);
    widget->setObjectName(name);
    widget->setWordWrap(true);
    return widget;
}

QPushButton* button(const QString& name, const QString& caption, QWidget* parent)
{
    auto* widget = new QPushButton(caption, parent);
    widget->setObjectName(name);
    widget->setAutoDefault(false);
    return widget;
}

} // namespace

MapView::MapView(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(u"MapView"_s);
    setFixedSize(MapPictureSize.width, MapPictureSize.height);
    setMouseTracking(true);
}

void MapView::show(std::unique_ptr<MapPicture> picture)
{
    m_picture = std::move(picture);
    update();
}

void MapView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(windowFont());
    if (!m_picture) {
        painter.fillRect(rect(), QColor(240, 240, 240));
        return;
    }
    QPainterCanvas canvas(painter);
    m_picture->Draw(canvas);
}

void MapView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_picture)
        Q_EMIT hovered(m_picture->PointAt(
            { event->position().toPoint().x(), event->position().toPoint().y() }));
}

void MapView::mousePressEvent(QMouseEvent* event)
{
    if (!m_picture || event->button() != Qt::LeftButton)
        return;
    if (const auto point = m_picture->PointAt(
            { event->position().toPoint().x(), event->position().toPoint().y() }))
        Q_EMIT clicked(*point);
}

void MapView::leaveEvent(QEvent*)
{
    Q_EMIT hovered(std::nullopt);
}

OperatingMapDialog::OperatingMapDialog(const Rig& rig, ApplyReadings apply,
    std::optional<std::pair<int, Readings>> proposed, QWidget* parent)
    : QDialog(parent)
    , m_rig(rig)
    , m_apply(std::move(apply))
    , m_proposed(std::move(proposed))
{
    setObjectName(u"OperatingMapDialog"_s);
    setWindowTitle(u"Operating map"_s);
    buildControls();
    cellChosen();
    setComputing(false);
}

void OperatingMapDialog::done(int result)
{
    m_worker.request_stop();
    if (m_worker.joinable())
        m_worker.join();
    QDialog::done(result);
}

void OperatingMapDialog::buildControls()
{
    m_cell = comboBox(u"CellBox"_s, this);
    for (int c = 1; c <= MaxCells; ++c)
        if (isFedCell(m_rig.Cells[c]))
            m_cell->addItem(u"OC "_s + QString::number(c) + u"; "_s
                    + fromRecordText(m_rig.Cells[c].Name.view()),
                c);
    m_stageX = comboBox(u"StageXBox"_s, this);
    m_stageY = comboBox(u"StageYBox"_s, this);
    for (int f = 1; f <= MaxFlowmeters; ++f) {
        m_stageX->addItem(fromRecordText(StageName(f)), f);
        m_stageY->addItem(fromRecordText(StageName(f)), f);
    }
    m_quantity = comboBox(u"QuantityBox"_s, this);
    m_quantity->addItem(u"log10 pO2 at the cell's temperature"_s, u"log10-pO2"_s);
    m_quantity->addItem(u"flow of the mixture that feeds it"_s, u"flow"_s);
    // The gases a run of the readings as they are names; a reading changes none of them.
    const auto run = std::make_unique<Rig>(m_rig);
    if (Execute(*run).status == RunStatus::Ok)
        for (int k = 1; k <= run->GasListCount && k <= MaxComponents; ++k)
            m_quantity->addItem(u"fraction of "_s + fromRecordText(run->GasList[k]),
                u"fraction:"_s + fromRecordText(run->GasList[k]));
    m_grid = new QSpinBox(this);
    m_grid->setObjectName(u"GridBox"_s);
    m_grid->setRange(MinMapGrid, MaxMapGrid);
    m_grid->setValue(DefaultMapGrid);
    m_grid->setSuffix(u" points along each axis"_s);

    m_draw = button(u"DrawButton"_s, u"&Draw"_s, this);
    m_cancel = button(u"CancelButton"_s, u"&Cancel map"_s, this);
    m_applyButton = button(u"ApplyButton"_s, u"&Apply"_s, this);
    auto* close = button(u"CloseButton"_s, u"Close"_s, this);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(u"MapProgress"_s);
    m_status = label(u"MapStatus"_s, this);
    m_hover = label(u"MapHover"_s, this);
    m_view = new MapView(this);
    m_refresh = new QTimer(this);
    m_refresh->setInterval(RefreshMs);

    auto* choices = new QHBoxLayout;
    for (const auto& [caption, widget] : { std::pair { u"Cell"_s, static_cast<QWidget*>(m_cell) },
             std::pair { u"Across"_s, static_cast<QWidget*>(m_stageX) },
             std::pair { u"Up"_s, static_cast<QWidget*>(m_stageY) },
             std::pair { u"Show"_s, static_cast<QWidget*>(m_quantity) },
             std::pair { u"Grid"_s, static_cast<QWidget*>(m_grid) } }) {
        auto* title = new QLabel(caption, this);
        title->setBuddy(widget);
        choices->addWidget(title);
        choices->addWidget(widget);
    }
    choices->addStretch();
    auto* buttons = new QHBoxLayout;
    for (QWidget* widget : { static_cast<QWidget*>(m_draw), static_cast<QWidget*>(m_cancel),
             static_cast<QWidget*>(m_progress), static_cast<QWidget*>(m_applyButton),
             static_cast<QWidget*>(close) })
        buttons->addWidget(widget);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    layout->addLayout(buttons);
    layout->addWidget(m_status);
    layout->addWidget(m_view);
    layout->addWidget(m_hover);

    connect(m_cell, &QComboBox::currentIndexChanged, this, &OperatingMapDialog::cellChosen);
    connect(m_draw, &QPushButton::clicked, this, &OperatingMapDialog::draw);
    connect(m_cancel, &QPushButton::clicked, this, &OperatingMapDialog::cancel);
    connect(m_applyButton, &QPushButton::clicked, this, &OperatingMapDialog::apply);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_view, &MapView::hovered, this, &OperatingMapDialog::pointHovered);
    connect(m_view, &MapView::clicked, this, &OperatingMapDialog::pointClicked);
    connect(m_refresh, &QTimer::timeout, this, [this] {
        if (m_dirty)
            refresh();
    });
    m_applyButton->setEnabled(false);
}

void OperatingMapDialog::cellChosen()
{
    const int cell = m_cell->currentData().toInt();
    const std::vector<int> stages = MapDefaultStages(m_rig, cell);
    if (stages.size() == 2) {
        m_stageX->setCurrentIndex(m_stageX->findData(std::min(stages[0], stages[1])));
        m_stageY->setCurrentIndex(m_stageY->findData(std::max(stages[0], stages[1])));
    }
}

MapRequest OperatingMapDialog::request() const
{
    MapRequest request;
    request.Cell = m_cell->currentData().toInt();
    request.StageX = m_stageX->currentData().toInt();
    request.StageY = m_stageY->currentData().toInt();
    request.Quantity = ParseMapQuantity(toRecordText(m_quantity->currentData().toString()))
                           .value_or(MapQuantity {});
    request.Grid = m_grid->value();
    return request;
}

void OperatingMapDialog::draw()
{
    if (m_computing)
        return;
    const MapRequest wanted = request();
    OperatingMap prepared = PrepareOperatingMap(m_rig, wanted);
    m_proposal.reset();
    m_applyButton->setEnabled(false);
    m_hover->clear();
    if (!prepared.Ok) {
        m_status->setText(fromRecordText(prepared.Message));
        m_map.reset();
        m_view->show(nullptr);
        return;
    }
    QStringList notes;
    for (const std::string& note : prepared.Notes)
        notes.push_back(fromRecordText(note) + u'.');
    m_status->setText(notes.join(u' '));
    m_map = prepared;
    m_progress->setRange(0, prepared.Grid);
    m_progress->setValue(0);
    setComputing(true);
    refresh();

    // The workers have a copy of their own: the window's rig is never read from another thread.
    auto rig = std::make_shared<const Rig>(m_rig);
    m_worker = std::jthread([this, rig, wanted, map = std::move(prepared)](
                                std::stop_token stop) mutable {
        MapControl control;
        control.Stop = stop;
        control.RowDone = [this](int j, std::span<const double> values,
                              std::span<const MapPointState> states) {
            QMetaObject::invokeMethod(
                this,
                [this, j, row = std::vector(values.begin(), values.end()),
                    rowStates = std::vector(states.begin(), states.end())]() mutable {
                    rowDone(j, std::move(row), std::move(rowStates));
                },
                Qt::QueuedConnection);
        };
        // Nothing thrown may leave the thread: it would end the program.
        try {
            FillOperatingMap(*rig, wanted, map, control);
            QMetaObject::invokeMethod(
                this,
                [this, ok = map.Ok, message = fromRecordText(map.Message),
                    cancelled = map.Cancelled] { fillEnded(ok, message, cancelled); },
                Qt::QueuedConnection);
        } catch (...) {
            const QString reason = SearchFailure(std::current_exception());
            QMetaObject::invokeMethod(
                this, [this, reason] { fillEnded(false, reason, false); }, Qt::QueuedConnection);
        }
    });
}

void OperatingMapDialog::cancel()
{
    if (!m_computing)
        return;
    m_worker.request_stop();
    m_status->setText(u"Cancelling\u2026"_s);
}

void OperatingMapDialog::rowDone(
    int j, std::vector<double> values, std::vector<MapPointState> states)
{
    if (!m_map || j < 0 || j >= m_map->Grid)
        return;
    std::copy(values.begin(), values.end(),
        m_map->Values.begin() + static_cast<std::ptrdiff_t>(m_map->index(0, j)));
    std::copy(states.begin(), states.end(),
        m_map->States.begin() + static_cast<std::ptrdiff_t>(m_map->index(0, j)));
    m_progress->setValue(m_progress->value() + 1);
    m_dirty = true;
}

void OperatingMapDialog::fillEnded(bool ok, const QString& message, bool cancelled)
{
    setComputing(false);
    if (!m_map)
        return;
    m_map->Cancelled = cancelled;
    if (!ok) {
        m_status->setText(u"The map failed: "_s + message);
        return;
    }
    refresh();
    const QString points =
        QString::number(m_map->Grid) + u" \u00D7 "_s + QString::number(m_map->Grid) + u" points"_s;
    m_status->setText(cancelled ? u"Cancelled: the rows computed are shown."_s
                                : points
                + u" computed. Hover over the map to read it; click to "_s
                  u"propose the readings there."_s);
}

void OperatingMapDialog::refresh()
{
    m_dirty = false;
    if (!m_map)
        return;
    std::optional<std::pair<double, double>> proposed;
    if (m_proposed && m_proposed->first == m_map->Cell)
        proposed = std::pair { m_proposed->second[static_cast<std::size_t>(m_map->X.Stage - 1)],
            m_proposed->second[static_cast<std::size_t>(m_map->Y.Stage - 1)] };
    m_view->show(std::make_unique<MapPicture>(*m_map, MapPictureSize, proposed));
}

void OperatingMapDialog::setComputing(bool computing)
{
    m_computing = computing;
    m_progress->setVisible(computing);
    m_cancel->setEnabled(computing);
    m_draw->setEnabled(!computing);
    for (QWidget* choice : { static_cast<QWidget*>(m_cell), static_cast<QWidget*>(m_stageX),
             static_cast<QWidget*>(m_stageY), static_cast<QWidget*>(m_quantity),
             static_cast<QWidget*>(m_grid) })
        choice->setEnabled(!computing);
    if (computing)
        m_refresh->start();
    else
        m_refresh->stop();
}

QString OperatingMapDialog::pointText(MapGridPoint point) const
{
    const OperatingMap& map = *m_map;
    QString text = fromRecordText(StageName(map.X.Stage)) + u" "_s
        + number(map.X.at(point.I, map.Grid)) + u", "_s + fromRecordText(StageName(map.Y.Stage))
        + u" "_s + number(map.Y.at(point.J, map.Grid)) + u": "_s;
    switch (map.state(point.I, point.J)) {
    case MapPointState::Value:
        return text + fromRecordText(MapQuantityTitle(map.Quantity)) + u" "_s
            + number(map.value(point.I, point.J));
    case MapPointState::NoOxygen:
        return text + u"no oxygen in the gas (log10 pO2 is minus infinity)"_s;
    case MapPointState::Unresolved:
        return text + u"no value: the minimiser left pO2 unresolved"_s;
    case MapPointState::Failed:
        return text + u"no value: the run or the equilibrium failed"_s;
    case MapPointState::Pending:
        break;
    }
    return text + u"not computed yet"_s;
}

void OperatingMapDialog::pointHovered(std::optional<MapGridPoint> point)
{
    if (!m_map || !point) {
        m_hover->clear();
        return;
    }
    m_hover->setText(pointText(*point));
}

void OperatingMapDialog::pointClicked(MapGridPoint point)
{
    if (!m_map)
        return;
    Readings readings {};
    for (int f = 1; f <= MaxFlowmeters; ++f)
        readings[static_cast<std::size_t>(f - 1)] = m_rig.Flowmeters[f].Reading;
    readings[static_cast<std::size_t>(m_map->X.Stage - 1)] = m_map->X.at(point.I, m_map->Grid);
    readings[static_cast<std::size_t>(m_map->Y.Stage - 1)] = m_map->Y.at(point.J, m_map->Grid);
    m_proposal = readings;
    m_applyButton->setEnabled(true);
    m_status->setText(u"Proposed: "_s + pointText(point)
        + u". Apply puts these readings into the readings editor and runs Execute; nothing is "_s
          u"saved."_s);
}

void OperatingMapDialog::apply()
{
    if (!m_proposal || m_computing)
        return;
    const Readings readings = *m_proposal;
    accept();
    if (m_apply)
        m_apply(readings);
}

} // namespace meldrix
