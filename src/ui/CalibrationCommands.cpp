#include "ui/TForm1.h"

// The calibration editor: the curve list CalGrid1, the point editor CalCurveEdit and the chart
// Vistrel1. Its routines are wired in here; until they are, the editor does not open and OK in
// its mode reads nothing.

namespace meldrix {

void TForm1::ShowCalibrationEditor()
{
}

void TForm1::ReadCalibrationsTable()
{
}

void TForm1::ReadCalCurve()
{
}

} // namespace meldrix
