#include "support/RandomRigs.h"

#include "rig/StartUp.h"
#include "support/Bytes.h"

#include <algorithm>
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

constexpr std::array<const char*, 7> MixingGases { "Ar", "N2", "O2", "H2", "He", "CO2", "CO" };
constexpr int ScalePoints = 7;
// Every curve starts between 5 and 30 and ends between 110 and 160, so the readings of a stage
// that lie on all its gases' curves are narrower than their union.
constexpr double LowestReading = 30.0;
constexpr double HighestReading = 110.0;

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

std::unique_ptr<Rig> mixingRig(std::mt19937& random)
{
    auto rig = std::make_unique<Rig>();
    SetStartValues(*rig);
    const auto uniform = [&](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };

    const int bottles = pick(2, 4);
    for (int n = 1; n <= bottles; ++n) {
        GasRecord& bottle = rig->InputGases[n];
        const int components = pick(1, 3);
        std::array<int, MixingGases.size()> order {};
        for (std::size_t i = 0; i < order.size(); ++i)
            order[i] = static_cast<int>(i);
        std::shuffle(order.begin(), order.end(), random);
        double left = 1.0;
        for (int k = 1; k <= components; ++k) {
            const double share = k == components ? left : left * uniform(0.2, 0.8);
            bottle.Components[k].Name = MixingGases[static_cast<std::size_t>(order[k - 1])];
            bottle.Components[k].Fraction = share;
            left -= share;
        }
    }

    const int stages = pick(2, 6);
    int curve = 0;
    for (int f = 1; f <= stages; ++f) {
        FlowmeterRecord& stage = rig->Flowmeters[f];
        stage.Make = "M" + std::to_string(f);
        const int output = f == stages ? 3 : pick(1, 3);
        stage.Output = static_cast<std::uint16_t>(output);
        const bool fromMixture = output > 1 && pick(0, 3) == 0;
        stage.Input = static_cast<std::uint16_t>(
            fromMixture ? MaxInputGases + pick(1, output - 1) : pick(1, bottles));
        stage.Reading = uniform(LowestReading, HighestReading);
        if (pick(0, 4) == 0) {
            stage.FixGasUsed = 1;
            stage.FixGas = "H2O";
            stage.FixGasType = "Pure";
            stage.FixGasT = uniform(5.0, 40.0);
            stage.FixGasBefore = static_cast<std::uint8_t>(pick(0, 1));
        }
        for (const char* gas : { MixingGases[0], MixingGases[1], MixingGases[2], MixingGases[3],
                 MixingGases[4], MixingGases[5], MixingGases[6], "H2O" }) {
            CalCurveRecord& record = rig->CalCurves[++curve];
            record.Make = stage.Make.view();
            record.Gas = gas;
            record.Flowmeter = static_cast<std::uint16_t>(f);
            const double a = uniform(0.3, 3.0);
            const double b = uniform(0.0, 0.01);
            const double first = uniform(5.0, 30.0);
            const double step = (uniform(110.0, 160.0) - first) / (ScalePoints - 1);
            for (int p = 1; p <= ScalePoints; ++p) {
                const double reading = first + (p - 1) * step;
                record.Points[p] = { reading, a * reading + b * reading * reading };
            }
        }
    }
    for (CellRecord& cell : rig->Cells)
        cell.Mix = 0;
    rig->Cells[1].Mix = 3;
    rig->Cells[1].Temp = 800.0;
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
