// What the chart draws: its items, the item list it may share with other charts, and its text
// labels.

#include "chart/TVistrelLayer.h"

#include <algorithm>
#include <utility>

namespace meldrix {

bool TVistrel::ClassVisible(int itemClass) const
{
    return itemClass >= 0 && itemClass < 256
        && !m_hiddenClasses[static_cast<std::size_t>(itemClass)];
}

void TVistrel::SetClassVisible(int itemClass, bool visible)
{
    if (itemClass >= 0 && itemClass < 256)
        m_hiddenClasses[static_cast<std::size_t>(itemClass)] = !visible;
}

TVistrel::ItemList& TVistrel::itemList()
{
    return m_useDataOf ? m_useDataOf->itemList() : m_ownItems;
}

const TVistrel::ItemList& TVistrel::itemList() const
{
    return m_useDataOf ? m_useDataOf->itemList() : m_ownItems;
}

void TVistrel::SetUseDataOf(TVistrel* other)
{
    if (other == m_useDataOf)
        return;
    if (other == this)
        throw EQuorVistrelError("Vistrel: Cannot share data with myself");
    // A chart whose list others show could otherwise end up showing its own list round a ring.
    if (other && !m_sharers.empty())
        throw EQuorVistrelError(
            "Vistrel: Cannot use foreign data. Other Vistrels are using my own data.");
    if (other && static_cast<int>(other->m_sharers.size()) >= MaxDataShares)
        throw EQuorVistrelError("Vistrel: Max. number of data shares exceeded");
    if (m_useDataOf)
        std::erase(m_useDataOf->m_sharers, this);
    m_useDataOf = other;
    if (other)
        other->m_sharers.push_back(this);
}

void TVistrel::ClearItems()
{
    ItemList& list = itemList();
    list.items.clear();
    list.items.shrink_to_fit();
    list.capacity = 0;
    list.classCounts.fill(0);
}

void TVistrel::AddMark(double x, double y, TMarkShape shape, int size)
{
    AddLine(x, y, x, y);
    TVistrelItem& mark = itemList().items.back();
    mark.kind = ItemKindMark;
    mark.extra = static_cast<std::uint32_t>(shape) << 8
        | static_cast<std::uint32_t>(std::clamp(size, 1, 255));
}

void TVistrel::AddLine(double x1, double y1, double x2, double y2)
{
    ItemList& list = itemList();
    if (static_cast<int>(list.items.size()) >= list.capacity) {
        list.capacity += std::max(AllocSize, 1);
        list.items.reserve(static_cast<std::size_t>(list.capacity));
    }
    TVistrelItem item;
    item.x1 = x1;
    item.y1 = y1;
    item.x2 = x2;
    item.y2 = y2;
    item.colour = DataColor;
    item.fillColour = FillColor;
    item.penStyle = PenStyle;
    item.lineWidth = LineWidth;
    item.itemClass = ClassDefault;
    item.kind = ItemKindLine;
    item.layer = m_currentLayer;
    list.items.push_back(item);
    ++list.classCounts[ClassDefault];
}

int TVistrel::ClassCount(int itemClass) const
{
    if (itemClass < 0 || itemClass >= 256)
        return 0;
    return itemList().classCounts[static_cast<std::size_t>(itemClass)];
}

int TVistrel::AddTextLabel(Rgb colour, std::string caption, double x, double y, int templateLabel)
{
    const auto free = std::find_if(m_labels.begin(), m_labels.end(),
        [](const TTextLabel& label) { return label.Mode == TTextLabelMode::tlOff; });
    if (free == m_labels.end())
        return 0;
    TTextLabel& label = *free;
    if (const TTextLabel* model = TextLabel(templateLabel)) {
        label.AttachToData = model->AttachToData;
        label.Alignment = model->Alignment;
        label.ShadowDx = model->ShadowDx;
        label.ShadowDy = model->ShadowDy;
        label.ColorShadow = model->ColorShadow;
        label.ColorBkg = model->ColorBkg;
        label.ColorBorder = model->ColorBorder;
        label.Transparent = model->Transparent;
        label.Mode = model->Mode == TTextLabelMode::tlOff ? TTextLabelMode::tlsimple : model->Mode;
    } else {
        label.AttachToData = TLabelAttachMode::tlamBoth;
        label.Alignment = TLabelAlignment::Centre;
        label.ShadowDx = 0;
        label.ShadowDy = 0;
        label.ColorShadow = { 128, 128, 128 };
        label.ColorBkg = ChartColor;
        label.ColorBorder = ChartFrameColor;
        label.Transparent = false;
        label.Mode = TTextLabelMode::tlsimple;
    }
    label.place(std::move(caption), colour, x, y);
    label.Layer = m_currentLayer;
    return static_cast<int>(free - m_labels.begin()) + 1;
}

void TTextLabel::place(std::string caption, Rgb colour, double x, double y)
{
    Caption = std::move(caption);
    FontColor = colour;
    PosX = x;
    PosY = y;
    Visible = true;
}

TTextLabel* TVistrel::TextLabel(int i)
{
    if (i < 1 || i > MaxTextLabels)
        return nullptr;
    return &m_labels[static_cast<std::size_t>(i - 1)];
}

const TTextLabel* TVistrel::TextLabel(int i) const
{
    if (i < 1 || i > MaxTextLabels)
        return nullptr;
    return &m_labels[static_cast<std::size_t>(i - 1)];
}

} // namespace meldrix
