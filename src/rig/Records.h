#pragma once

#include "common/OneBased.h"
#include "common/ShortString.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace meldrix {

static_assert(std::endian::native == std::endian::little, "records are copied as byte images");

// The records below are the byte images of the data files. Padding is written out as members and
// kept like any field, so a record saves back byte for byte. Bool fields are bytes: a file may hold
// any value there, and any value other than 0 counts as true.

struct GasComponent {
    ShortString<12> Name;
    std::array<std::uint8_t, 3> Gap {};
    double Fraction = 0.0;

    friend bool operator==(const GasComponent&, const GasComponent&) = default;
};

struct GasRecord {
    ShortString<12> Name;
    std::array<std::uint8_t, 3> Gap1 {};
    double Reserved1 = 0.0;
    double Flow = 0.0; //!< total flow into a mixture, computed by Execute
    double Reserved2 = 0.0;
    OneBased<GasComponent, 12> Components;
    std::uint8_t Defined = 0;
    std::array<std::uint8_t, 7> Gap2 {};

    friend bool operator==(const GasRecord&, const GasRecord&) = default;
};

struct FlowmeterRecord {
    ShortString<8> Make;
    ShortString<8> Size;
    ShortString<8> Float;
    std::array<std::uint8_t, 5> Gap1 {};
    double Reserved = 0.0;
    double Reading = 0.0;
    double Flow = 0.0;
    std::uint16_t Input = 0; //!< 1..16 input gas I1..I16, 17..32 mixture M1..M16
    std::uint16_t Output = 0; //!< mixture 1..16 fed by the stage; 0 means not connected
    ShortString<8> FixGas;
    ShortString<8> FixGasType;
    std::array<std::uint8_t, 2> Gap2 {};
    double FixGasT = 0.0; //!< [°C]
    double Reserved2 = 0.0;
    std::uint8_t FixGasUsed = 0;
    std::uint8_t FixGasBefore = 0;
    std::array<std::uint8_t, 6> Gap3 {};

    friend bool operator==(const FlowmeterRecord&, const FlowmeterRecord&) = default;
};

struct CalPoint {
    double Reading = 0.0;
    double Flow = 0.0;

    friend bool operator==(const CalPoint&, const CalPoint&) = default;
};

struct CalCurveRecord {
    ShortString<8> Make;
    ShortString<8> Size;
    ShortString<8> Float;
    ShortString<12> Gas;
    double Temp = 0.0; //!< [°C]
    double Press = 0.0; //!< [bar]
    std::uint16_t Flowmeter = 0; //!< stage 1..16 the curve is assigned to, 0 none
    std::uint16_t Reserved = 0;
    std::array<std::uint8_t, 4> Gap {};
    OneBased<CalPoint, 20> Points;

    friend bool operator==(const CalCurveRecord&, const CalCurveRecord&) = default;
};

struct CellRecord {
    ShortString<12> Name;
    std::array<std::uint8_t, 3> Gap1 {};
    double Pressure = 0.0; //!< [bar]
    double Temp = 0.0; //!< [°C]
    std::uint16_t Mix = 0; //!< mixture 1..16 feeding the cell; 0 means not fed
    std::uint8_t EquilDone = 0;
    std::array<std::uint8_t, 5> Gap2 {};
    double LeakO2 = 0.0;
    double LeakN2 = 0.0;
    double LeakH2 = 0.0;
    double LeakH2O = 0.0;

    friend bool operator==(const CellRecord&, const CellRecord&) = default;
};

//! A box of the mixer diagram in pixels; Mid is the x where gas lines attach.
struct LayoutBox {
    std::uint16_t Left = 0;
    std::uint16_t Top = 0;
    std::uint16_t Right = 0;
    std::uint16_t Bottom = 0;
    std::uint16_t Mid = 0;

    friend bool operator==(const LayoutBox&, const LayoutBox&) = default;
};

template <typename T>
constexpr bool IsByteImage = std::is_trivially_copyable_v<T>&& std::is_standard_layout_v<T>;

static_assert(IsByteImage<GasComponent> && sizeof(GasComponent) == 24);
static_assert(offsetof(GasComponent, Name) == 0 && offsetof(GasComponent, Fraction) == 16);

static_assert(IsByteImage<GasRecord> && sizeof(GasRecord) == 336);
static_assert(offsetof(GasRecord, Name) == 0 && offsetof(GasRecord, Gap1) == 13);
static_assert(offsetof(GasRecord, Reserved1) == 16 && offsetof(GasRecord, Flow) == 24);
static_assert(offsetof(GasRecord, Reserved2) == 32 && offsetof(GasRecord, Components) == 40);
static_assert(offsetof(GasRecord, Defined) == 328 && offsetof(GasRecord, Gap2) == 329);

static_assert(IsByteImage<FlowmeterRecord> && sizeof(FlowmeterRecord) == 104);
static_assert(offsetof(FlowmeterRecord, Make) == 0 && offsetof(FlowmeterRecord, Size) == 9);
static_assert(offsetof(FlowmeterRecord, Float) == 18 && offsetof(FlowmeterRecord, Gap1) == 27);
static_assert(offsetof(FlowmeterRecord, Reserved) == 32);
static_assert(offsetof(FlowmeterRecord, Reading) == 40 && offsetof(FlowmeterRecord, Flow) == 48);
static_assert(offsetof(FlowmeterRecord, Input) == 56 && offsetof(FlowmeterRecord, Output) == 58);
static_assert(offsetof(FlowmeterRecord, FixGas) == 60);
static_assert(offsetof(FlowmeterRecord, FixGasType) == 69);
static_assert(offsetof(FlowmeterRecord, Gap2) == 78 && offsetof(FlowmeterRecord, FixGasT) == 80);
static_assert(offsetof(FlowmeterRecord, Reserved2) == 88);
static_assert(offsetof(FlowmeterRecord, FixGasUsed) == 96);
static_assert(offsetof(FlowmeterRecord, FixGasBefore) == 97);
static_assert(offsetof(FlowmeterRecord, Gap3) == 98);

static_assert(IsByteImage<CalPoint> && sizeof(CalPoint) == 16 && offsetof(CalPoint, Flow) == 8);
static_assert(IsByteImage<CalCurveRecord> && sizeof(CalCurveRecord) == 384);
static_assert(offsetof(CalCurveRecord, Make) == 0 && offsetof(CalCurveRecord, Size) == 9);
static_assert(offsetof(CalCurveRecord, Float) == 18 && offsetof(CalCurveRecord, Gas) == 27);
static_assert(offsetof(CalCurveRecord, Temp) == 40 && offsetof(CalCurveRecord, Press) == 48);
static_assert(offsetof(CalCurveRecord, Flowmeter) == 56);
static_assert(offsetof(CalCurveRecord, Reserved) == 58 && offsetof(CalCurveRecord, Gap) == 60);
static_assert(offsetof(CalCurveRecord, Points) == 64);

static_assert(IsByteImage<CellRecord> && sizeof(CellRecord) == 72);
static_assert(offsetof(CellRecord, Name) == 0 && offsetof(CellRecord, Gap1) == 13);
static_assert(offsetof(CellRecord, Pressure) == 16 && offsetof(CellRecord, Temp) == 24);
static_assert(offsetof(CellRecord, Mix) == 32 && offsetof(CellRecord, EquilDone) == 34);
static_assert(offsetof(CellRecord, Gap2) == 35 && offsetof(CellRecord, LeakO2) == 40);
static_assert(offsetof(CellRecord, LeakN2) == 48 && offsetof(CellRecord, LeakH2) == 56);
static_assert(offsetof(CellRecord, LeakH2O) == 64);

static_assert(IsByteImage<LayoutBox> && sizeof(LayoutBox) == 10);

} // namespace meldrix
