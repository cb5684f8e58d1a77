#pragma once

#include "chart/TScale.h"
#include "chart/TScaleProps.h"
#include "common/Canvas.h"
#include "common/QuorError.h"
#include "common/Rounding.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace meldrix {

enum class TLabelAttachMode { tlamNone, tlamXOnly, tlamYOnly, tlamBoth };
enum class TTextLabelMode { tlOff, tlsimple, tlBox, tlUnderline, tlShadow };
enum class TLabelAlignment { Left, Centre, Right };
enum class TLabelVerticalAlignment { Top, Centre, Bottom };
enum class TPenStyle : std::uint8_t { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear };

inline constexpr int MaxLayers = 16;
inline constexpr int MaxTextLabels = 30;
//! Charts that may show one chart's item list besides the chart itself.
inline constexpr int MaxDataShares = 16;

//! Misuse of a chart: joining layers that cannot be joined, or sharing data that cannot be shared.
class EQuorVistrelError : public EQuorError {
public:
    using EQuorError::EQuorError;
};

//! Which layer sets the x range and which the y range of every layer (at first each its own). A
//! range set on a controlling layer is applied to the layers it controls; a layer that is
//! controlled controls none, so joins never chain.
class TJointLayers {
public:
    TJointLayers(const TJointLayers&) = delete;
    TJointLayers& operator=(const TJointLayers&) = delete;

    //! The layer that sets this layer's x (y) range; 0 for a layer outside 1..16.
    int XControlledBy(int layer) const;
    int YControlledBy(int layer) const;
    //! Joins the x (y) range of a layer (1..16; others are ignored) to the controller's, which
    //! it takes at once; the layer's own number parts it again. Throws EQuorVistrelError and
    //! changes nothing for a controller outside 1..16, a controller that is itself joined, or a
    //! layer that other layers are joined to.
    void SetXControlledBy(int layer, int controller);
    void SetYControlledBy(int layer, int controller);

private:
    friend class TVistrel;
    explicit TJointLayers(TVistrel& owner);
    void join(std::array<int, MaxLayers>& controlledBy, int layer, int controller);

    TVistrel& m_owner;
    std::array<int, MaxLayers> m_x {};
    std::array<int, MaxLayers> m_y {};
};

//! One drawing item in data coordinates of its layer: a line (kind 2) made by AddLine, or a mark
//! (kind 1) made by AddMark.
struct TVistrelItem {
    double x1 = 0.0;
    double y1 = 0.0;
    double x2 = 0.0;
    double y2 = 0.0;
    Rgb colour;
    Rgb fillColour;
    TPenStyle penStyle = TPenStyle::psSolid;
    std::uint32_t extra = 0;
    int lineWidth = 1;
    std::uint8_t itemClass = 0;
    std::uint8_t kind = 0;
    int layer = 1;
};

inline constexpr std::uint8_t ItemKindMark = 1;
inline constexpr std::uint8_t ItemKindLine = 2;

//! The shape of a mark: drawn in pixels about a data point, whatever the ranges.
enum class TMarkShape : std::uint8_t { Square, Cross, Plus };

//! A text placed on the chart, in data coordinates or pixels of the data area.
struct TTextLabel {
    double PosX = 0.0;
    double PosY = 0.0;
    int Layer = 1;
    TLabelAttachMode AttachToData = TLabelAttachMode::tlamBoth;
    TLabelAlignment Alignment = TLabelAlignment::Centre;
    TLabelVerticalAlignment VerticalAlignment = TLabelVerticalAlignment::Bottom;
    Rgb ColorBkg { 255, 255, 255 };
    Rgb ColorBorder { 0, 0, 0 };
    Rgb ColorShadow { 128, 128, 128 };
    int ShadowDx = 3;
    int ShadowDy = 3;
    bool Transparent = false;
    Rgb FontColor { 0, 0, 0 };
    std::string Caption;
    TTextLabelMode Mode = TTextLabelMode::tlOff; //!< tlOff: free for AddTextLabel
    bool Visible = false;

    //! Shows `caption` in `colour` at (x, y), in the coordinates AttachToData chooses.
    void place(std::string caption, Rgb colour, double x, double y);
};

//! The pixel mapping of one layer: px = kx * x + ox, py = ky * y + oy (ln x, ln y on
//! logarithmic axes).
struct LayerMapping {
    Extended kx = 0;
    Extended ox = 0;
    Extended ky = 0;
    Extended oy = 0;
};

//! The chart: 16 layers with a horizontal and a vertical scale each, a retained list of items in
//! data coordinates, 30 text labels, and margins around the data area. Render draws it onto a
//! Canvas in the order frame, scales, data, items, labels. Not copyable: the scale settings point
//! back into it.
class TVistrel {
public:
    TVistrel();
    TVistrel(const TVistrel&) = delete;
    TVistrel& operator=(const TVistrel&) = delete;
    ~TVistrel();

    Size ControlSize() const { return m_size; }
    void SetControlSize(Size size) { relayout(m_size, size); }
    int MarginLeft() const { return m_marginLeft; }
    int MarginRight() const { return m_marginRight; }
    int MarginTop() const { return m_marginTop; }
    int MarginBottom() const { return m_marginBottom; }
    void SetMarginLeft(int pixels) { relayout(m_marginLeft, pixels); }
    void SetMarginRight(int pixels) { relayout(m_marginRight, pixels); }
    void SetMarginTop(int pixels) { relayout(m_marginTop, pixels); }
    void SetMarginBottom(int pixels) { relayout(m_marginBottom, pixels); }
    int ShadowWidth() const { return m_shadowWidth; }
    //! A negative width counts as 0.
    void SetShadowWidth(int pixels) { relayout(m_shadowWidth, std::max(pixels, 0)); }
    bool Isometric() const { return m_isometric; }
    void SetIsometric(bool on) { m_isometric = on; }

    //! Attributes given to the items that follow.
    Rgb DataColor { 0, 0, 0 };
    Rgb FillColor { 192, 192, 192 };
    TPenStyle PenStyle = TPenStyle::psSolid;
    int LineWidth = 1;
    std::uint8_t ClassDefault = 0;

    Rgb ChartFrameColor { 0, 0, 0 };
    Rgb ChartColor { 255, 255, 255 }; //!< the data area
    Rgb WindColor { 240, 240, 240 }; //!< around the data area
    Rgb ShadowColor { 128, 128, 128 };
    Rgb ShadowBakColor { 240, 240, 240 };
    std::string Caption;
    int CaptionPosX = 0;
    int CaptionPosY = -15;
    //! Range changes ask for a repaint through OnRedraw while this is on.
    bool AutoRedraw = true;
    //! Growth step of the item storage [items].
    int AllocSize = 1000;
    //! Asked for by range changes (when AutoRedraw) and by Repaint.
    std::function<void()> OnRedraw;
    //! Paints a picture of the data area under the items (a colour map, say), once the frame
    //! and the scales are drawn. The data area's clip is in force and stays so: the painter
    //! leaves it as it finds it.
    std::function<void(Canvas&)> OnPaintDataArea;

    //! The layer new items and labels go to (1..16; others are ignored).
    int CurrentLayer() const { return m_currentLayer; }
    void SetCurrentLayer(int layer);
    bool LayerVisible(int layer) const;
    void SetLayerVisible(int layer, bool visible);
    bool ClassVisible(int itemClass) const;
    void SetClassVisible(int itemClass, bool visible);

    //! The scale settings of a layer; a layer outside 1..16 gives layer 1's.
    TScaleProps& LayerScaleX(int layer);
    TScaleProps& LayerScaleY(int layer);
    TScaleProps& Scale1X() { return LayerScaleX(1); }
    TScaleProps& Scale1Y() { return LayerScaleY(1); }
    //! The axis components of a layer (1..16, others give layer 1's).
    const TScale& ScaleX(int layer) const;
    const TScale& ScaleY(int layer) const;

    //! Which layer's ranges every layer follows.
    TJointLayers& JointLayers() { return m_joint; }
    const TJointLayers& JointLayers() const { return m_joint; }

    //! Both ranges of a layer, or of all 16 for layer 0. Equal ends are widened to the scale's
    //! MinRange about the value; an isometric chart fits yh to the x range; a joined axis takes
    //! its controller's range, and the layers this one controls take its ranges.
    void SetLayerRanges(int layer, Extended xl, Extended yl, Extended xh, Extended yh);
    LayerMapping Mapping(int layer) const;
    //! Pixel of a data point of a layer, each coordinate limited to +-2147483647 and rounded
    //! half to even.
    Point DataToPixel(int layer, double x, double y) const;

    //! The chart whose item list this one shows and changes, or nullptr for its own list.
    TVistrel* UseDataOf() const { return m_useDataOf; }
    //! Shows and changes the other chart's item list from now on (nullptr: its own list again).
    //! Throws EQuorVistrelError and changes nothing for the chart itself, while other charts
    //! use this one's list, or when the other's list is already shared MaxDataShares times.
    void SetUseDataOf(TVistrel* other);

    //! Removes every item and frees their storage; text labels stay.
    void ClearItems();
    //! Appends a line with the current attributes in the current layer; no repaint.
    void AddLine(double x1, double y1, double x2, double y2);
    //! Appends a mark `size` pixels across (at most 255) centred on the point (x, y), drawn with
    //! the current colour and line width in the current layer; a point beyond the ranges is not
    //! drawn. No repaint.
    void AddMark(double x, double y, TMarkShape shape, int size);
    int ItemCount() const { return static_cast<int>(itemList().items.size()); }
    //! Items the storage holds room for; grows by AllocSize.
    int ItemCapacity() const { return itemList().capacity; }
    std::span<const TVistrelItem> Items() const { return itemList().items; }
    //! Items added per class since the last ClearItems.
    int ClassCount(int itemClass) const;

    //! Fills the first free text label and returns its number 1..30, or 0 when all are in use.
    //! Attributes come from the template label (1..30), when given.
    int AddTextLabel(Rgb colour, std::string caption, double x, double y, int templateLabel);
    //! Label i (1..30), or nullptr for another number.
    TTextLabel* TextLabel(int i);
    const TTextLabel* TextLabel(int i) const;

    //! Asks for a repaint, of this chart and of the charts that show its items.
    void Repaint();
    //! Draws the whole chart with its top-left corner at (0, 0), clipped to the control and the
    //! data picture to the data area; leaves no clip behind.
    void Render(Canvas& canvas);

private:
    friend class TScaleProps;
    friend class TJointLayers;
    struct Layer;
    struct ItemList {
        std::vector<TVistrelItem> items;
        int capacity = 0;
        std::array<int, 256> classCounts {};
    };
    ItemList& itemList();
    const ItemList& itemList() const;
    Layer& layerAt(int layer);
    const Layer& layerAt(int layer) const;
    void scaleChanged(TScaleProps& props);
    void passOnRanges(int layer);
    void recomputeMappings();
    // Stores a setting of the chart's geometry and maps every layer anew.
    template <typename T>
    void relayout(T& setting, T value)
    {
        setting = value;
        recomputeMappings();
    }
    void redraw();
    void drawScale(Canvas& canvas, TScaleProps& props, TScale& scale);
    void drawLine(Canvas& canvas, const TVistrelItem& item) const;
    void drawMark(Canvas& canvas, const TVistrelItem& item) const;
    //! The pixel of a data coordinate of a layer, before any limit or rounding.
    Extended pixelX(const Layer& layer, double x) const;
    Extended pixelY(const Layer& layer, double y) const;
    //! The data area's first and last pixel: inside the margins, and clear of the shadow.
    Point dataFrom() const { return { m_marginLeft, m_marginTop }; }
    Point dataTo() const
    {
        return { m_size.width - m_marginRight - m_shadowWidth,
            m_size.height - m_marginBottom - m_shadowWidth };
    }
    void drawLabel(Canvas& canvas, const TTextLabel& label) const;

    Size m_size { 235, 193 };
    int m_marginLeft = 50;
    int m_marginRight = 10;
    int m_marginTop = 16;
    int m_marginBottom = 32;
    int m_shadowWidth = 0;
    bool m_isometric = false;
    int m_currentLayer = 1;
    std::array<std::unique_ptr<Layer>, MaxLayers> m_layers;
    TJointLayers m_joint { *this };
    std::bitset<256> m_hiddenClasses;
    ItemList m_ownItems;
    TVistrel* m_useDataOf = nullptr;
    std::vector<TVistrel*> m_sharers;
    std::array<TTextLabel, MaxTextLabels> m_labels;
};

//! The plain chart of a curve: on every layer linear scales from 0 to 1 with `minTicks`
//! intervals, automatic decimals, short ticks, number labels and at least `minRange`; only layer
//! 1's, at the bottom and the left, are shown.
void UsePlainScales(TVistrel& chart, int minTicks, double minRange);

} // namespace meldrix
