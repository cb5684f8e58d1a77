#include "ui/About.h"

using namespace Qt::Literals::StringLiterals;

namespace meldrix {

QString AboutText()
{
    return u"<p><b>Meldrix %1</b></p>"
           "<p>The calculator for a laboratory gas-mixing rig: flowmeter readings through "
           "calibration curves to the gas each furnace cell receives, and its equilibrium at the "
           "cell's temperature.</p>"
           "<p><b>Data sources.</b> The equilibrium at cell temperature uses the NASA Glenn "
           "coefficients of 32 gases and graphite: B.J. McBride, M.J. Zehe and S. Gordon, "
           "<i>NASA Glenn Coefficients for Calculating Thermodynamic Properties of Individual "
           "Species</i>, NASA/TP-2002-211556 (2002). The compound table of the "
           "\u201cEquil./RT toggle\u201d display is the program's own.</p>"
           "<p><b>Licence.</b> Meldrix is proprietary software; it may be used as the licence "
           "it came with allows. The NASA data are a work of the United States Government.</p>"_s
               .arg(QString::fromUtf16(MeldrixVersion));
}

} // namespace meldrix
