#pragma once

#include "rig/Rig.h"
#include "support/Bytes.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <string_view>
#include <utility>

namespace meldrix::testsupport {

//! A rig at start values with every stage disconnected, so each test wires only what it needs.
class MixerFixture : public ::testing::Test {
protected:
    std::unique_ptr<Rig> rig = rigAtStartValues();

    MixerFixture()
    {
        for (FlowmeterRecord& stage : rig->Flowmeters)
            stage.Output = 0;
    }

    void setInputGas(int n, std::initializer_list<std::pair<std::string_view, double>> components)
    {
        GasRecord& gas = rig->InputGases[n];
        int k = 1;
        for (const auto& [name, fraction] : components) {
            gas.Components[k].Name = name;
            gas.Components[k].Fraction = fraction;
            ++k;
        }
    }

    FlowmeterRecord& connect(int f, int input, int output, double reading = 0.0)
    {
        FlowmeterRecord& stage = rig->Flowmeters[f];
        stage.Input = static_cast<std::uint16_t>(input);
        stage.Output = static_cast<std::uint16_t>(output);
        stage.Reading = reading;
        return stage;
    }

    //! A straight calibration for `gas` on every stage: flow = slope × reading between 1 and 3.
    void setLinearCurve(int c, std::string_view gas, double slope)
    {
        CalCurveRecord& curve = rig->CalCurves[c];
        curve.Gas = gas;
        curve.Points[1] = { 1.0, slope };
        curve.Points[2] = { 3.0, 3.0 * slope };
    }

    void setLeakages(int c, double o2, double n2, double h2, double h2o)
    {
        CellRecord& cell = rig->Cells[c];
        cell.LeakO2 = o2;
        cell.LeakN2 = n2;
        cell.LeakH2 = h2;
        cell.LeakH2O = h2o;
    }

    std::vector<std::string> gasList() const
    {
        std::vector<std::string> names;
        for (int i = 1; i <= rig->GasListCount; ++i)
            names.push_back(rig->GasList[i]);
        return names;
    }

    static double fractionOf(const Composition& slots, std::string_view name)
    {
        for (const GasComponent& slot : slots)
            if (slot.Name.view() == name)
                return slot.Fraction;
        ADD_FAILURE() << "no slot named " << name;
        return 0.0;
    }

    static double sumOf(const Composition& slots)
    {
        double sum = 0.0;
        for (const GasComponent& slot : slots)
            sum += slot.Fraction;
        return sum;
    }
};

} // namespace meldrix::testsupport
