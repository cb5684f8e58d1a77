#include "support/RandomRigs.h"

#include "support/Bytes.h"

#include <array>
#include <limits>
#include <random>

namespace meldrix::testsupport {

namespace {

constexpr std::array<std::string_view, 10> GasNames = { "Ar", "N2", "O2", "H2", "H2O", "CO2", "He",
    "ar", "Ar ", "" };
constexpr std::array<std::string_view, 5> Makes = { "Rotalab", "Acme", "acme", "", "None" };
constexpr std::array<std::string_view, 4> Sizes = { "R2-15", "R6-15", "65", "None" };
constexpr std::array<std::string_view, 3> Floats = { "Glass", "Steel", "None" };
constexpr std::array<std::string_view, 5> FixGasTypes = { "Pure", "Getter", "Drier", "KBr", "x" };

class Draw {
public:
    explicit Draw(std::uint32_t seed)
        : m_generator(seed)
    {
    }

    int between(int low, int high) { return std::uniform_int_distribution(low, high)(m_generator); }
    double between(double low, double high)
    {
        return std::uniform_real_distribution(low, high)(m_generator);
    }
    bool chance(double p) { return between(0.0, 1.0) < p; }

    template <typename Pool>
    std::string_view from(const Pool& pool)
    {
        return pool[static_cast<std::size_t>(between(0, static_cast<int>(pool.size()) - 1))];
    }

    //! A text from the pool over stray bytes; now and then a length byte past the field.
    template <std::size_t N, typename Pool>
    void text(ShortString<N>& target, const Pool& pool)
    {
        for (char& c : target.Chars)
            c = static_cast<char>(between(0, 255));
        target = from(pool);
        if (chance(0.02))
            target.Length = 255;
    }

private:
    std::mt19937 m_generator;
};

void fillCurve(CalCurveRecord& curve, Draw& draw)
{
    if (draw.chance(0.8)) {
        draw.text(curve.Make, Makes);
        draw.text(curve.Size, Sizes);
        draw.text(curve.Float, Floats);
        draw.text(curve.Gas, GasNames);
        curve.Flowmeter = static_cast<std::uint16_t>(draw.between(0, 17));
    }
    const int points = draw.between(0, MaxCalPoints);
    double reading = draw.between(0.0, 5.0);
    for (int k = 1; k <= points; ++k) {
        // Now and then a reading repeats, which the interpolation must survive.
        if (!draw.chance(0.03))
            reading += draw.between(0.5, 10.0);
        curve.Points[k] = { reading, draw.between(0.0, 50.0) * reading };
    }
}

void fillStage(FlowmeterRecord& stage, Draw& draw)
{
    draw.text(stage.Make, Makes);
    draw.text(stage.Size, Sizes);
    draw.text(stage.Float, Floats);
    // Mostly input gases and low mixtures, so that most rigs converge and some loop.
    stage.Input = static_cast<std::uint16_t>(
        draw.chance(0.7) ? draw.between(1, 6) : draw.between(0, MaxGases + 2));
    stage.Output = static_cast<std::uint16_t>(draw.between(0, MaxMixtures + 1));
    const int kind = draw.between(0, 9);
    stage.Reading = kind == 0 ? 0.0
        : kind == 1           ? -1.0
        : kind == 2           ? std::numeric_limits<double>::quiet_NaN()
                              : draw.between(0.1, 120.0);
    stage.FixGasUsed = draw.chance(0.3) ? 1 : 0;
    stage.FixGasBefore = draw.chance(0.5) ? 1 : 0;
    stage.FixGas = draw.from(GasNames);
    stage.FixGasType = draw.from(FixGasTypes);
    stage.FixGasT = draw.between(-20.0, 90.0);
}

// Gases the equilibrium data know, each metered alone, so that a stage's flow is that of one curve.
constexpr std::array<std::string_view, 6> KnownGases = { "Ar", "N2", "O2", "H2", "CO2", "He" };

// A straight curve through the origin's direction: every interpolation of it is the same line.
void straightCurve(CalCurveRecord& curve, Draw& draw)
{
    const int points = draw.between(2, MaxCalPoints);
    const double slope = draw.between(0.5, 5.0);
    double reading = draw.between(1.0, 10.0);
    for (int k = 1; k <= points; ++k) {
        curve.Points[k] = { reading, slope * reading };
        reading += draw.between(1.0, 20.0);
    }
}

} // namespace

std::span<const std::string_view> randomGasNames()
{
    return GasNames;
}

std::unique_ptr<Rig> randomRig(std::uint32_t seed)
{
    Draw draw(seed);
    auto rig = rigAtStartValues();
    for (CalCurveRecord& curve : rig->CalCurves)
        fillCurve(curve, draw);
    for (int n = 1; n <= MaxInputGases; ++n) {
        GasRecord& gas = rig->InputGases[n];
        const int components = draw.between(0, 4);
        for (int k = 1; k <= components; ++k) {
            gas.Components[k].Name = draw.from(GasNames);
            gas.Components[k].Fraction = draw.between(0.0, 1.0);
        }
    }
    for (FlowmeterRecord& stage : rig->Flowmeters)
        fillStage(stage, draw);
    for (CellRecord& cell : rig->Cells) {
        cell.Mix = static_cast<std::uint16_t>(draw.between(0, MaxMixtures));
        cell.LeakN2 = draw.chance(0.3) ? draw.between(0.0, 1e-3) : 0.0;
        cell.LeakH2 = draw.chance(0.3) ? draw.between(0.0, 1e-3) : 0.0;
    }
    return rig;
}

} // namespace meldrix::testsupport

namespace meldrix::testsupport {

std::unique_ptr<Rig> cleanRandomRig(std::uint32_t seed)
{
    Draw draw(seed);
    auto rig = rigAtStartValues();
    // Curves no stage chooses: a gas no bottle holds keeps them from every stage's choice.
    for (int c = 1; c <= MaxCalCurves; c += draw.between(1, 40)) {
        fillCurve(rig->CalCurves[c], draw);
        rig->CalCurves[c].Gas = "Xe";
    }
    const int bottles = draw.between(1, 6);
    for (int n = 1; n <= bottles; ++n) {
        GasRecord& bottle = rig->InputGases[n];
        bottle.Name = draw.from(KnownGases);
        bottle.Components[1].Name = bottle.Name.view();
        bottle.Components[1].Fraction = 1.0;
    }
    // Stage f feeds M1..M8 in turn, so that every cell's mixture is fed; each has a curve of its
    // own numbered after the curves the other stages choose.
    int curve = MaxCalCurves;
    for (int f = 1; f <= MaxFlowmeters; ++f) {
        FlowmeterRecord& stage = rig->Flowmeters[f];
        stage.Make = draw.from(Makes);
        stage.Size = draw.from(Sizes);
        stage.Float = draw.from(Floats);
        stage.Input = static_cast<std::uint16_t>(draw.between(1, bottles));
        stage.Output = static_cast<std::uint16_t>((f - 1) % 8 + 1);
        CalCurveRecord& own = rig->CalCurves[curve--];
        own = CalCurveRecord {};
        own.Make = stage.Make.view();
        own.Size = stage.Size.view();
        own.Float = stage.Float.view();
        own.Gas = rig->InputGases[stage.Input].Name.view();
        own.Flowmeter = static_cast<std::uint16_t>(f);
        straightCurve(own, draw);
        const int top = [&own] {
            int k = 1;
            while (k < MaxCalPoints && own.Points[k + 1].Reading > 0)
                ++k;
            return k;
        }();
        stage.Reading =
            draw.chance(0.2) ? 0.0 : draw.between(own.Points[1].Reading, own.Points[top].Reading);
        const bool fixGas = draw.chance(0.3);
        stage.FixGasUsed = fixGas ? 1 : 0;
        stage.FixGasBefore = draw.chance(0.5) ? 1 : 0;
        const bool getter = draw.chance(0.5);
        stage.FixGas = getter ? "O2" : "H2O";
        stage.FixGasType = getter ? "Getter" : "Dry";
    }
    for (CellRecord& cell : rig->Cells) {
        cell.Temp = draw.between(25.0, 1500.0);
        cell.Pressure = draw.between(0.5, 2.0);
        cell.LeakN2 = draw.chance(0.3) ? draw.between(0.0, 1e-3) : 0.0;
    }
    return rig;
}

} // namespace meldrix::testsupport
