#pragma once

#include "map/OperatingMap.h"
#include "plots/MapPicture.h"

#include <QDialog>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <utility>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTimer;

namespace meldrix {

//! An operating map drawn as its picture; hovering and clicking name grid points.
class MapView : public QWidget {
    Q_OBJECT
public:
    explicit MapView(QWidget* parent = nullptr);

    void show(std::unique_ptr<MapPicture> picture);
    const MapPicture* picture() const { return m_picture.get(); }

Q_SIGNALS:
    void hovered(std::optional<MapGridPoint> point);
    void clicked(MapGridPoint point);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    std::unique_ptr<MapPicture> m_picture;
};

//! "Operating map…": one quantity of a cell over two stages' readings, computed on a copy of the
//! rig off the window's thread and drawn as it fills in; a click proposes the readings there, and
//! Apply hands them to the window as Find readings does.
class OperatingMapDialog : public QDialog {
    Q_OBJECT
public:
    using Readings = std::array<double, MaxFlowmeters>; //!< stages 1..16 at [0..15]
    using ApplyReadings = std::function<void(const Readings&)>;

    //! `proposed`: the readings Find readings last proposed for a cell, marked on its maps.
    OperatingMapDialog(const Rig& rig, ApplyReadings apply,
        std::optional<std::pair<int, Readings>> proposed, QWidget* parent = nullptr);

    void done(int result) override;

    bool computing() const { return m_computing; }
    //! The map as far as it has been computed; none before the first Draw.
    const std::optional<OperatingMap>& map() const { return m_map; }
    //! The readings a click proposed, stages 1..16.
    const std::optional<Readings>& proposal() const { return m_proposal; }

private:
    void buildControls();
    void cellChosen();
    void draw();
    void cancel();
    void apply();
    void rowDone(int j, std::vector<double> values, std::vector<MapPointState> states);
    void fillEnded(bool ok, const QString& message, bool cancelled);
    void refresh();
    void setComputing(bool computing);
    void pointHovered(std::optional<MapGridPoint> point);
    void pointClicked(MapGridPoint point);
    QString pointText(MapGridPoint point) const;
    MapRequest request() const;

    const Rig& m_rig;
    ApplyReadings m_apply;
    std::optional<std::pair<int, Readings>> m_proposed;
    std::optional<OperatingMap> m_map;
    std::optional<Readings> m_proposal;
    bool m_computing = false;
    bool m_dirty = false;
    // Declared after all a worker reads: on closing, the request to stop and the wait for the
    // worker come first. It has a copy of the rig of its own and only has to notice and end.
    std::jthread m_worker;

    QComboBox* m_cell = nullptr;
    QComboBox* m_stageX = nullptr;
    QComboBox* m_stageY = nullptr;
    QComboBox* m_quantity = nullptr;
    QSpinBox* m_grid = nullptr;
    QPushButton* m_draw = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_applyButton = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_hover = nullptr;
    MapView* m_view = nullptr;
    QTimer* m_refresh = nullptr;
};

} // namespace meldrix
