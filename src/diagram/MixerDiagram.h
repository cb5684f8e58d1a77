#pragma once

#include "common/Canvas.h"
#include "rig/Rig.h"

namespace meldrix {

//! Colour of the lines carrying gas n: 1..16 input gases, 17..32 mixtures, 0 black. Numbers 18..32
//! repeat the colours of 1..15; any other number is an unknown gas and comes out grey.
Rgb GasLineColor(int n);

//! Paints the whole schematic of the rig: black background, all gas lines, then the boxes of the
//! stages, their fix-gas stages, the mixtures, the cells and the input gases. Places every fed
//! mixture's box above the lowest-numbered stage feeding it (the only state it changes).
void DrawMixer(Rig& rig, Canvas& canvas);

//! The lines joining input gases, stages, mixtures and cells, each in the colour of its gas.
void DrawGasLines(const Rig& rig, Canvas& canvas);

//! Box of stage f (1..16) with its meter, flow and reading.
void DrawFlowmeter(const Rig& rig, Canvas& canvas, int f);

//! Box of the fix-gas stage of stage f (1..16), below the meter when placed before it and above
//! it otherwise; nothing when the stage has none.
void DrawGasFixStage(const Rig& rig, Canvas& canvas, int f);

//! Box of gas n (1..32): a mixture with its number and flow, or an input gas with its number and
//! name (an empty box when the input gas is not defined).
void DrawMixture(const Rig& rig, Canvas& canvas, int n);

//! Box of cell c (1..8) with its name, temperature and pressure.
void DrawCell(const Rig& rig, Canvas& canvas, int c);

} // namespace meldrix
