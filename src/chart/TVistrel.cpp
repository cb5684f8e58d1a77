// The chart itself: its layers made and its geometry, and the repaints it asks for.

#include "chart/TVistrelLayer.h"

#include <algorithm>
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

void TVistrel::SetControlSize(Size size)
{
    m_size = size;
    recomputeMappings();
}

void TVistrel::SetMarginLeft(int pixels)
{
    m_marginLeft = pixels;
    recomputeMappings();
}

void TVistrel::SetMarginRight(int pixels)
{
    m_marginRight = pixels;
    recomputeMappings();
}

void TVistrel::SetMarginTop(int pixels)
{
    m_marginTop = pixels;
    recomputeMappings();
}

void TVistrel::SetMarginBottom(int pixels)
{
    m_marginBottom = pixels;
    recomputeMappings();
}

void TVistrel::SetShadowWidth(int pixels)
{
    m_shadowWidth = std::max(pixels, 0);
    recomputeMappings();
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
