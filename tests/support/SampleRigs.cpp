#include "support/SampleRigs.h"

#include "rig/StartUp.h"
#include "support/Bytes.h"

#include <string_view>

namespace meldrix::testsupport {

namespace {

void setGas(GasRecord& gas, std::string_view name, std::string_view component, double fraction)
{
    gas.Name = name;
    gas.Components[1].Name = component;
    gas.Components[1].Fraction = fraction;
}

void setStage(FlowmeterRecord& stage, int input, int output, double reading, double flow)
{
    stage.Make = "Rota";
    stage.Size = "R6-15";
    stage.Float = "Glass";
    stage.Input = static_cast<std::uint16_t>(input);
    stage.Output = static_cast<std::uint16_t>(output);
    stage.Reading = reading;
    stage.Flow = flow;
}

// A fix-gas treatment on `stage`, before or after its meter.
void setFixGas(FlowmeterRecord& stage, bool before, std::string_view gas, std::string_view type,
    double temperature)
{
    stage.FixGasUsed = 1;
    stage.FixGasBefore = before ? 1 : 0;
    stage.FixGas = gas;
    stage.FixGasType = type;
    stage.FixGasT = temperature;
}

} // namespace

std::unique_ptr<Rig> sampleRig()
{
    auto rig = rigAtStartValues();
    setGas(rig->InputGases[1], "Ar", "Ar", 1.0);
    setGas(rig->InputGases[2], "O2 1% in Ar", "O2", 0.01);
    setGas(rig->InputGases[3], "H2 5% in Ar", "H2", 0.05);
    setGas(rig->InputGases[4], "Empty", "CO2", 0.0);
    setGas(rig->InputGases[5], "CO2", "CO2", 1.0);
    for (int n = 1; n <= MaxInputGases; ++n)
        UpdateGasDefined(*rig, n);

    setStage(rig->Flowmeters[1], 1, 1, 45.0, 12.34);
    setStage(rig->Flowmeters[2], 2, 1, 3.5, 0.87);
    setStage(rig->Flowmeters[3], 3, 2, 120.0, 100.25);
    setStage(rig->Flowmeters[4], 17, 3, 20.0, 5.0);
    setStage(rig->Flowmeters[5], 5, 3, 8.0, 1.5);
    setStage(rig->Flowmeters[6], 18, 4, 60.0, 33.3);
    setStage(rig->Flowmeters[7], 4, 5, 0.0, 0.0);
    setStage(rig->Flowmeters[8], 4, 5, 0.0, 0.0);
    for (int f = 9; f <= MaxFlowmeters; ++f)
        rig->Flowmeters[f].Output = 0;

    setFixGas(rig->Flowmeters[2], true, "H2O", "Pure", 15.0); // a saturator
    setFixGas(rig->Flowmeters[5], false, "O2", "Getter", 650.0);

    const std::uint16_t mix[MaxCells] = { 3, 4, 1, 2, 0, 0, 4, 0 };
    for (int c = 1; c <= MaxCells; ++c)
        rig->Cells[c].Mix = mix[c - 1];
    rig->Cells[1].Name = "Furnace A";
    rig->Cells[1].Temp = 850.0;
    rig->Cells[1].Pressure = 1.013;
    rig->Cells[2].Name = "Furnace B";
    rig->Cells[2].Temp = 1200.5;
    rig->Cells[2].Pressure = 0.25;

    for (int m = 1; m <= 5; ++m)
        rig->Gases[MaxInputGases + m].Flow = 10.0 * m + 0.125;
    return rig;
}

std::unique_ptr<Rig> defaultDataSetRig()
{
    auto rig = freshRig();
    for (const LoadResult& result : StartUp(*rig, DefaultBaseName()))
        if (!result.read)
            return nullptr;
    return rig;
}

std::unique_ptr<Rig> namedRig(std::string_view name)
{
    if (name == "sample")
        return sampleRig();
    if (name == "default")
        return defaultDataSetRig();
    return rigAtStartValues();
}

} // namespace meldrix::testsupport
