// The chart itself: its layers made, shared item lists let go, and the repaints it asks for.

#include "chart/TVistrelLayer.h"

#include <memory>

namespace meldrix {

TVistrel::TVistrel()
{
    for (int layer = 1; layer <= MaxLayers; ++layer)
        m_layers[static_cast<std::size_t>(layer - 1)] = std::make_unique<Layer>(*this, layer);
    m_layers[0]->propsX.m_visible = true;
    m_layers[0]->propsY.m_visible = true;
    recomputeMappings();
}

TVistrel::~TVistrel()
{
    // Charts showing this one's items go back to their own; this one leaves the list it shows.
    for (TVistrel* sharer : m_sharers)
        sharer->m_useDataOf = nullptr;
    if (m_useDataOf)
        std::erase(m_useDataOf->m_sharers, this);
}

void TVistrel::redraw()
{
    if (AutoRedraw && OnRedraw)
        OnRedraw();
}

void TVistrel::Repaint()
{
    if (OnRedraw)
        OnRedraw();
    for (TVistrel* sharer : m_sharers)
        sharer->Repaint();
}

} // namespace meldrix
