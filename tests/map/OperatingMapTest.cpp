#include "map/OperatingMap.h"

#include "equil/CellGibbs.h"
#include "mixer/Execute.h"
#include "rig/StartUp.h"
#include "support/NoNewThreads.h"
#include "support/RandomRigs.h"

#include <algorithm>
#include <cmath>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <stop_token>

namespace meldrix {
namespace {

using ::testing::ContainsRegex;
using ::testing::StartsWith;

// Cell 2 of the shipped data set (Cell B, 800 °C) is the reducing cell: 5 % H2 in argon through F 3
// (with its saturator) and the argon and air of M1 through F 4.
class OperatingMapTest : public ::testing::Test {
protected:
    std::unique_ptr<Rig> rig = std::make_unique<Rig>();

    OperatingMapTest()
    {
        for (const LoadResult& load : StartUp(*rig, MELDRIX_DEFAULT_BASE, {}))
            EXPECT_TRUE(load.read) << load.problem;
    }

    static MapRequest reducing(int grid)
    {
        MapRequest request;
        request.Cell = 2;
        request.StageX = 3;
        request.StageY = 4;
        request.Grid = grid;
        return request;
    }
};

// The quantity of cell `c` after Execute (and the equilibrium) of a fresh copy of `rig` with the
// two readings, as execute and equilibrium give it.
std::optional<double> direct(const Rig& rig, const MapRequest& request, double x, double y)
{
    auto copy = std::make_unique<Rig>(rig);
    copy->Flowmeters[request.StageX].Reading = x;
    copy->Flowmeters[request.StageY].Reading = y;
    if (Execute(*copy).status != RunStatus::Ok)
        return std::nullopt;
    const int c = request.Cell;
    switch (request.Quantity.Kind) {
    case MapQuantityKind::Fraction:
        for (int k = 1; k <= copy->GasListCount; ++k)
            if (copy->GasList[k] == request.Quantity.Gas)
                return copy->CellGases[c][k].Fraction;
        return 0.0;
    case MapQuantityKind::Flow:
        return copy->Gases[MaxInputGases + copy->Cells[c].Mix].Flow;
    case MapQuantityKind::Log10PO2:
        break;
    }
    const GibbsResult result = CellGibbsAt(*copy, c, copy->Cells[c].Temp);
    if (!result.Ok || !result.PO2Resolved)
        return std::nullopt;
    return result.Log10PO2;
}

// Random rigs, random stage pairs and quantities: every value a map holds is the one a run of
// Execute (and the equilibrium) on the rig with those two readings gives, bit for bit, whichever
// point a worker's copy of the rig computed before it.
TEST(OperatingMapRandomTest, EveryValueIsExecuteAtItsReadings)
{
    std::mt19937 random(20261209);
    int mapped = 0;
    for (int trial = 0; trial < 60; ++trial) {
        const auto rig = testsupport::mixingRig(random);
        std::vector<int> stages;
        for (int f = 1; rig->Flowmeters[f].Make.view() == "M" + std::to_string(f); ++f)
            stages.push_back(f);
        std::shuffle(stages.begin(), stages.end(), random);
        MapRequest request;
        request.Cell = 1;
        request.StageX = stages[0];
        request.StageY = stages[1];
        request.Grid = 4 + trial % 3;
        const int kind = trial % 3;
        if (kind == 1) {
            Rig run = *rig;
            ASSERT_EQ(Execute(run).status, RunStatus::Ok);
            request.Quantity = { MapQuantityKind::Fraction,
                run.GasList[std::uniform_int_distribution<int>(1, run.GasListCount)(random)] };
        } else if (kind == 2) {
            request.Quantity = { MapQuantityKind::Flow, {} };
        }
        MapControl control;
        control.Threads = 1 + trial % 3;
        const OperatingMap map = ComputeOperatingMap(*rig, request, control);
        if (!map.Ok) {
            // A stage that does not reach cell 1, meters no gas, or whose curves share no reading.
            EXPECT_THAT(map.Message,
                ContainsRegex("does not reach cell 1|has no reading on every|No gas passes"))
                << "trial " << trial;
            continue;
        }
        ++mapped;
        ASSERT_FALSE(map.Cancelled);
        for (int n = 0; n < 6; ++n) {
            const int i = std::uniform_int_distribution(0, map.Grid - 1)(random);
            const int j = std::uniform_int_distribution(0, map.Grid - 1)(random);
            const auto expected =
                direct(*rig, request, map.X.at(i, map.Grid), map.Y.at(j, map.Grid));
            if (!expected) {
                EXPECT_NE(map.state(i, j), MapPointState::Value) << "trial " << trial;
                continue;
            }
            ASSERT_EQ(map.state(i, j),
                std::isfinite(*expected) ? MapPointState::Value : MapPointState::NoOxygen)
                << "trial " << trial;
            EXPECT_EQ(map.value(i, j), *expected) << "trial " << trial << " at " << i << ", " << j;
        }
        EXPECT_EQ(map.X.at(0, map.Grid), map.X.Bounds.Low);
        EXPECT_EQ(map.X.at(map.Grid - 1, map.Grid), map.X.Bounds.High);
    }
    EXPECT_GE(mapped, 15);
}

TEST_F(OperatingMapTest, AnyNumberOfWorkersGivesTheSameMap)
{
    MapControl one;
    one.Threads = 1;
    const OperatingMap alone = ComputeOperatingMap(*rig, reducing(9), one);
    ASSERT_TRUE(alone.Ok) << alone.Message;
    int progressed = 0;
    MapControl three;
    three.Threads = 3;
    three.Progress = [&](int done, int total) {
        EXPECT_LE(done, total);
        progressed = done;
    };
    const OperatingMap shared = ComputeOperatingMap(*rig, reducing(9), three);
    ASSERT_TRUE(shared.Ok) << shared.Message;
    EXPECT_EQ(progressed, 81);
    ASSERT_EQ(shared.States, alone.States);
    double low = 0.0;
    double high = -100.0;
    for (std::size_t n = 0; n < alone.Values.size(); ++n) {
        if (alone.States[n] != MapPointState::Value)
            continue;
        EXPECT_EQ(shared.Values[n], alone.Values[n]) << n;
        low = std::min(low, alone.Values[n]);
        high = std::max(high, alone.Values[n]);
    }
    // The reducing edge runs through this map: decades apart at its corners.
    EXPECT_LT(low, -15.0);
    EXPECT_GT(high, -3.0);
}

TEST_F(OperatingMapTest, PresentReadingsCarryTheirValueAndLinearDeviations)
{
    const OperatingMap map = PrepareOperatingMap(*rig, reducing(5));
    ASSERT_TRUE(map.Ok) << map.Message;
    EXPECT_EQ(map.CellName, "Cell B");
    EXPECT_EQ(map.X.Present, rig->Flowmeters[3].Reading);
    EXPECT_EQ(map.Y.Present, rig->Flowmeters[4].Reading);
    ASSERT_TRUE(map.PresentValue);
    EXPECT_EQ(*map.PresentValue, *direct(*rig, reducing(5), map.X.Present, map.Y.Present));
    // 1 % of each stage's full scale (150 on the shipped curves).
    EXPECT_NEAR(map.X.Sd, 1.5, 1e-9);
    EXPECT_NEAR(map.Y.Sd, 1.5, 1e-9);
    EXPECT_TRUE(map.PresentSd && *map.PresentSd > 0);
    EXPECT_TRUE(std::all_of(map.States.begin(), map.States.end(),
        [](MapPointState state) { return state == MapPointState::Pending; }));
    // The map asks a copy: the rig keeps its readings and its results.
    EXPECT_EQ(rig->GasListCount, 0);
}

TEST_F(OperatingMapTest, RequestsThatMeanNothingSaySo)
{
    struct Case {
        int cell;
        int x;
        int y;
        int grid;
        MapQuantity quantity;
        const char* message;
    };
    const Case cases[] = {
        { 9, 3, 4, 5, {}, "Cell 9 is not a cell 1..8." },
        { 2, 3, 3, 5, {}, "A map needs two different stages, not F 3 twice." },
        { 2, 3, 4, 1, {}, "A map's grid takes 2..401 points along each axis, not 1." },
        { 2, 3, 5, 5, {}, "F 5 does not reach cell 2." },
        { 2, 3, 17, 5, {}, "Stage 17 is not a stage 1..16." },
        { 2, 3, 4, 5, { MapQuantityKind::Fraction, "Xe" }, "No gas of the run is named Xe." },
    };
    for (const Case& c : cases) {
        MapRequest request { c.cell, c.x, c.y, c.quantity, c.grid, {}, nullptr };
        const OperatingMap map = ComputeOperatingMap(*rig, request);
        EXPECT_FALSE(map.Ok) << c.message;
        EXPECT_EQ(map.Message, c.message);
        EXPECT_TRUE(map.Values.empty());
    }
}

TEST_F(OperatingMapTest, QuantitiesReadAndWriteTheirCommandLineNames)
{
    for (const char* name : { "log10-pO2", "flow", "fraction:H2O" }) {
        const auto quantity = ParseMapQuantity(name);
        ASSERT_TRUE(quantity) << name;
        EXPECT_EQ(MapQuantityName(*quantity), name);
    }
    for (const char* name : { "fraction:", "fraction: ", "pO2", "" })
        EXPECT_FALSE(ParseMapQuantity(name)) << name;
}

TEST_F(OperatingMapTest, CancelledMapKeepsWholeRowsAndLeavesTheRestPending)
{
    // One worker, so that the stop falls at a known point: the second of row 1.
    std::stop_source stop;
    MapControl control;
    control.Threads = 1;
    control.Stop = stop.get_token();
    control.Progress = [&](int done, int) {
        if (done == 7)
            stop.request_stop();
    };
    const OperatingMap map = ComputeOperatingMap(*rig, reducing(6), control);
    ASSERT_TRUE(map.Ok);
    EXPECT_TRUE(map.Cancelled);
    for (int j = 0; j < map.Grid; ++j)
        for (int i = 0; i < map.Grid; ++i)
            EXPECT_EQ(map.state(i, j) == MapPointState::Pending, j > 0) << i << ", " << j;
}

TEST_F(OperatingMapTest, DefaultStagesAreTheTwoThatMovePO2Most)
{
    // Stages 3 and 4 carry the hydrogen and the air to cell B; stage 4 dominates, as the
    // uncertainty run names it.
    const std::vector<int> stages = MapDefaultStages(*rig, 2);
    ASSERT_EQ(stages.size(), 2U);
    EXPECT_EQ(stages[0], 4);
    EXPECT_TRUE(MapDefaultStages(*rig, 9).empty());
}

TEST_F(OperatingMapTest, WorkersThatCannotStartEndTheMapWithAMessage)
{
    MapControl control;
    control.Threads = 2;
    const OperatingMap map = [&] {
        const testsupport::NoNewThreads noThreads;
        return ComputeOperatingMap(*rig, reducing(4), control);
    }();
    EXPECT_FALSE(map.Ok);
    EXPECT_THAT(map.Message, StartsWith("The operating map could not start its workers: "));
}

} // namespace
} // namespace meldrix
