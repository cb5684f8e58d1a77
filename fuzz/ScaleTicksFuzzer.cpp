// The axis scale on arbitrary ranges and settings: tick spacing, the ticks and labels of a drawn
// axis, and the pixel mapping. Every loop must end and no tick list may outgrow its limit.

#include "Check.h"
#include "chart/TScale.h"
#include "support/RecordingCanvas.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

using namespace meldrix;
using fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const int intervals = input.ConsumeIntegralInRange(-2, 12);
    const double lo = input.ConsumeFloatingPoint<double>();
    const double hi = input.ConsumeFloatingPoint<double>();
    (void)TickSpacingFor(intervals, lo, hi);

    TScale scale;
    scale.SetScaleType(static_cast<TScaleType>(input.ConsumeIntegralInRange(0, 3)));
    scale.SetLabelType(static_cast<TFigType>(input.ConsumeIntegralInRange(0, 4)));
    scale.SetMinTicks(input.ConsumeIntegralInRange(-5, 20));
    scale.SetDecPlaces(input.ConsumeIntegralInRange(-5, 20));
    scale.SetAreaSize(
        { input.ConsumeIntegralInRange(-10, 5000), input.ConsumeIntegralInRange(-10, 5000) });
    scale.SetMargins(input.ConsumeIntegralInRange(-10, 600), input.ConsumeIntegralInRange(-10, 600),
        input.ConsumeIntegralInRange(-10, 600), input.ConsumeIntegralInRange(-10, 600));
    scale.SetRange(lo, hi);
    scale.SetLogarithmic(input.ConsumeBool());
    scale.ShortTicks = input.ConsumeBool();
    scale.UserTickText = input.ConsumeRandomLengthString(200);
    scale.ScaleInscript = input.ConsumeRandomLengthString(40);

    const auto ticks = scale.Ticks();
    check(ticks.size() <= 2 * MaxScaleTicks, "a scale draws more ticks than its limit");
    testsupport::RecordingCanvas canvas;
    scale.Draw(canvas, { input.ConsumeIntegral<int>() / 2, input.ConsumeIntegral<int>() / 2 });
    check(scale.NumTicks() <= MaxScaleTicks, "a scale records more ticks than its limit");
    const double probe = input.ConsumeFloatingPoint<double>();
    (void)scale.PixelToValue(scale.ValueToPixel(probe));
    return 0;
}
