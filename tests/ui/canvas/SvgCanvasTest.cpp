// The SVG canvas against the window's QPainter canvas: the same font metrics, and for the same rig
// the same drawing operations, recorded on both sides and compared one by one.
#include "common/SvgCanvas.h"

#include "common/qt/QPainterCanvas.h"
#include "common/qt/RecordText.h"
#include "diagram/DiagramExport.h"
#include "plots/CalibrationChart.h"
#include "plots/ChartExport.h"
#include "support/SampleRigs.h"
#include "ui/canvas/MixerDiagramPainter.h"

#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QMap>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>
#include <QTest>
#include <QTextStream>
#include <QXmlStreamReader>
#include <cmath>
#include <memory>

using namespace Qt::StringLiterals;

namespace meldrix {
namespace {

constexpr QSize Area { 1067, 853 };

QString hex(const QColor& colour)
{
    return colour.name(QColor::HexRgb);
}

// Records what QPainter hands its engine, in the form the SVG is read back into.
class RecordingEngine final : public QPaintEngine {
public:
    RecordingEngine()
        : QPaintEngine(QPaintEngine::AllFeatures)
    {
    }

    QStringList ops;
    QList<QFont> fonts;

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState& changed) override
    {
        if (changed.state() & DirtyPen)
            m_pen = changed.pen();
        if (changed.state() & DirtyBrush)
            m_brush = changed.brush();
        if (changed.state() & DirtyFont)
            m_font = changed.font();
        if (changed.state() & DirtyClipEnabled)
            m_clipEnabled = changed.isClipEnabled();
        if (changed.state() & DirtyClipRegion)
            clipTo(changed.clipOperation(), changed.clipRegion().boundingRect());
        if (changed.state() & DirtyClipPath)
            clipTo(changed.clipOperation(), changed.clipPath().boundingRect().toRect());
    }

    void drawRects(const QRect* rects, int count) override
    {
        drawEach(rects, count, &RecordingEngine::drawRect);
    }
    void drawRects(const QRectF* rects, int count) override
    {
        drawEach(rects, count, &RecordingEngine::drawRect);
    }
    void drawLines(const QLine* lines, int count) override
    {
        drawEach(lines, count, &RecordingEngine::drawLine);
    }
    void drawLines(const QLineF* lines, int count) override
    {
        drawEach(lines, count, &RecordingEngine::drawLine);
    }
    void drawTextItem(const QPointF& p, const QTextItem& item) override
    {
        noteClip();
        ops << u"text %1 %2 %3 %4"_s.arg(p.x()).arg(p.y()).arg(hex(m_pen.color()), item.text());
        fonts << m_font;
    }
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override { ops << u"polygon"_s; }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { ops << u"pixmap"_s; }

private:
    // Whole-number shapes are recorded in their floating-point form, as the SVG is read back.
    template <typename Shape, typename FloatShape>
    void drawEach(const Shape* shapes, int count, void (RecordingEngine::*draw)(const FloatShape&))
    {
        for (int i = 0; i < count; ++i)
            (this->*draw)(FloatShape(shapes[i]));
    }

    void clipTo(Qt::ClipOperation operation, const QRect& area)
    {
        m_clipEnabled = operation != Qt::NoClip;
        m_clip = operation == Qt::IntersectClip ? m_clip.intersected(area) : area;
    }

    // The clip in force is written before the first drawing it limits.
    void noteClip()
    {
        const QString clip = m_clipEnabled ? u"clip %1 %2 %3 %4"_s.arg(m_clip.x())
                                                 .arg(m_clip.y())
                                                 .arg(m_clip.width())
                                                 .arg(m_clip.height())
                                           : u"no clip"_s;
        if (clip != m_lastClip)
            ops << clip;
        m_lastClip = clip;
    }

    void drawRect(const QRectF& r)
    {
        if (r.isEmpty())
            return;
        noteClip();
        if (m_brush.style() != Qt::NoBrush)
            ops << u"rect %1 %2 %3 %4 %5"_s.arg(r.x())
                       .arg(r.y())
                       .arg(r.width())
                       .arg(r.height())
                       .arg(hex(m_brush.color()));
        // A 1-pixel outline of QRect(x, y, w, h) covers w + 1 columns and h + 1 rows.
        if (m_pen.style() != Qt::NoPen)
            ops << u"outline %1 %2 %3 %4 %5 %6"_s.arg(r.x())
                       .arg(r.y())
                       .arg(r.width() + 1)
                       .arg(r.height() + 1)
                       .arg(hex(m_pen.color()))
                       .arg(m_pen.width());
    }
    void drawLine(const QLineF& l)
    {
        noteClip();
        ops << u"line %1 %2 %3 %4 %5 %6"_s.arg(l.x1())
                   .arg(l.y1())
                   .arg(l.x2())
                   .arg(l.y2())
                   .arg(hex(m_pen.color()))
                   .arg(m_pen.width());
    }

    QPen m_pen;
    QBrush m_brush;
    QFont m_font;
    bool m_clipEnabled = false;
    QRect m_clip;
    QString m_lastClip = u"no clip"_s;
};

class RecordingDevice final : public QPaintDevice {
public:
    QPaintEngine* paintEngine() const override { return &m_engine; }
    RecordingEngine& engine() { return m_engine; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return Area.width();
        case PdmHeight:
            return Area.height();
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDepth:
            return 32;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return static_cast<int>(devicePixelRatioFScale());
        default:
            return 0;
        }
    }

private:
    mutable RecordingEngine m_engine;
};

// The SVG read back into the same operations; anything else it holds is an op of its own, so
// the comparison fails on it.
QStringList readSvg(const QString& svg, QString& rootFont)
{
    QStringList ops;
    QXmlStreamReader xml(svg);
    QMap<QString, QString> clips; // id -> "clip x y w h"
    QString clip = u"no clip"_s;
    QString lastClip = clip;
    const auto noteClip = [&] {
        if (clip != lastClip)
            ops << clip;
        lastClip = clip;
    };
    const auto at = [&xml](const QString& name) { return xml.attributes().value(name).toDouble(); };
    const auto text = [&xml](
                          const QString& name) { return xml.attributes().value(name).toString(); };
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == u"g")
            clip = u"no clip"_s;
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QStringView name = xml.name();
        if (name == u"clipPath") {
            const QString id = text(u"id"_s);
            xml.readNextStartElement();
            clips[id] = u"clip %1 %2 %3 %4"_s.arg(at(u"x"_s))
                            .arg(at(u"y"_s))
                            .arg(at(u"width"_s))
                            .arg(at(u"height"_s));
            xml.skipCurrentElement();
            xml.skipCurrentElement();
            continue;
        }
        if (name == u"g") {
            const QString reference = text(u"clip-path"_s);
            clip = clips.value(reference.mid(5, reference.size() - 6), u"unknown clip"_s);
            continue;
        }
        if (name != u"svg")
            noteClip();
        if (name == u"svg") {
            rootFont = u"%1 %2 %3"_s.arg(
                text(u"font-family"_s), text(u"font-stretch"_s), text(u"font-size"_s));
        } else if (name == u"rect" && !xml.attributes().hasAttribute(u"stroke"_s)) {
            ops << u"rect %1 %2 %3 %4 %5"_s.arg(at(u"x"_s))
                       .arg(at(u"y"_s))
                       .arg(at(u"width"_s))
                       .arg(at(u"height"_s))
                       .arg(text(u"fill"_s));
        } else if (name == u"rect") {
            // One outlined rectangle: the inside filled, the stroke through the outer pixels.
            const double x = at(u"x"_s) - 0.5;
            const double y = at(u"y"_s) - 0.5;
            const double w = at(u"width"_s) + 1;
            const double h = at(u"height"_s) + 1;
            ops << u"rect %1 %2 %3 %4 %5"_s.arg(x).arg(y).arg(w).arg(h).arg(text(u"fill"_s));
            ops << u"outline %1 %2 %3 %4 %5 %6"_s.arg(x).arg(y).arg(w).arg(h).arg(
                text(u"stroke"_s), text(u"stroke-width"_s));
        } else if (name == u"line") {
            ops << u"line %1 %2 %3 %4 %5 %6"_s.arg(at(u"x1"_s) - 0.5)
                       .arg(at(u"y1"_s) - 0.5)
                       .arg(at(u"x2"_s) - 0.5)
                       .arg(at(u"y2"_s) - 0.5)
                       .arg(text(u"stroke"_s), text(u"stroke-width"_s));
        } else if (name == u"text") {
            const double x = at(u"x"_s);
            const double y = at(u"y"_s);
            const QString colour = text(u"fill"_s);
            ops << u"text %1 %2 %3 %4"_s.arg(x).arg(y).arg(colour, xml.readElementText());
        } else {
            ops << u"unexpected <%1>"_s.arg(name);
        }
    }
    if (xml.hasError())
        ops << u"XML error: %1"_s.arg(xml.errorString());
    return ops;
}

// Names that test the text path: markup characters, Latin-1 letters, a control byte, spaces.
std::unique_ptr<Rig> awkwardRig()
{
    auto rig = testsupport::sampleRig();
    const auto setName = [](auto& field, std::string_view text) {
        field.Length = static_cast<std::uint8_t>(text.size());
        std::copy(text.begin(), text.end(), field.Chars.begin());
    };
    setName(rig->InputGases[1].Name, "A<r> & \"O\"");
    setName(rig->Cells[1].Name, "\xC4tzofen \xB0");
    setName(rig->Cells[2].Name, "  two\x01sp");
    setName(rig->Flowmeters[1].Make, "AVAWATer");
    rig->Cells[3].Temp = -1.0e9; // wider than its box
    return rig;
}

} // namespace

class SvgCanvasTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fontMetricsAreTheWindowFont();
    void diagramDrawsAsTheWindowDraws_data();
    void diagramDrawsAsTheWindowDraws();
    void calibrationChartDrawsAsTheWindowDraws_data();
    void calibrationChartDrawsAsTheWindowDraws();
};

// The SVG canvas measures texts from a table; it must be the window's font. With
// MELDRIX_WRITE_SVG_FONT=src/common/SvgFontMetrics.cpp the test writes that table afresh.
void SvgCanvasTest::fontMetricsAreTheWindowFont()
{
    const QFont font = windowFont();
    const QFontMetrics metrics(font);
    const QFontMetricsF exact(font);
    const auto sixtyFourths = [&exact](const QString& text) {
        return qRound(exact.horizontalAdvance(text) * 64);
    };

    QList<int> advances;
    const auto shown = [](std::string bytes) { return shownRecordText(bytes); };
    for (int c = 0; c < 256; ++c)
        advances << sixtyFourths(shown(std::string(1, static_cast<char>(c))));
    QList<KerningPair> kerning;
    for (int left = 0; left < 256; ++left) {
        for (int right = 0; right < 256; ++right) {
            const std::string pair { static_cast<char>(left), static_cast<char>(right) };
            const int adjust = sixtyFourths(shown(pair)) - advances[left] - advances[right];
            if (adjust != 0)
                kerning << KerningPair { static_cast<std::uint8_t>(left),
                    static_cast<std::uint8_t>(right), static_cast<std::int16_t>(adjust) };
        }
    }

    const QString target = qEnvironmentVariable("MELDRIX_WRITE_SVG_FONT");
    if (!target.isEmpty()) {
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QTextStream out(&file);
        out << "// The window's diagram font as Qt measures it. Written by test_svgcanvas with\n"
               "// MELDRIX_WRITE_SVG_FONT set to this file's path; not edited by hand.\n"
               "#include \"common/SvgCanvas.h\"\n\n#include <array>\n\nnamespace meldrix {\n\n"
               "namespace {\n\nconstexpr std::array<std::int16_t, 256> Advances { { ";
        for (int c = 0; c < 256; ++c)
            out << (c == 0 ? "" : ", ") << advances[c];
        out << " } };\n\nconstexpr std::array<KerningPair, " << kerning.size() << "> Kerning { {\n";
        for (qsizetype i = 0; i < kerning.size(); ++i)
            out << (i == 0 ? "" : ", ") << "{ " << kerning[i].left << ", " << kerning[i].right
                << ", " << kerning[i].adjust << " }";
        out << "\n"
            << "} };\n\n} // namespace\n\nconst SvgFont& windowSvgFont()\n{\n"
               "    static constexpr SvgFont Font { \"'"
            << QFontInfo(font).family() << " Condensed', '" << QFontInfo(font).family()
            << "', sans-serif\", \"condensed\", " << font.pixelSize() << ", " << metrics.ascent()
            << ", " << metrics.height() << ", Advances, Kerning };\n    return Font;\n}\n\n"
            << "} // namespace meldrix\n";
    }

    const SvgFont& svg = windowSvgFont();
    QCOMPARE(svg.pixelSize, font.pixelSize());
    QCOMPARE(svg.ascent, metrics.ascent());
    QCOMPARE(svg.height, metrics.height());
    QCOMPARE(svg.stretch, std::string_view("condensed"));
    QVERIFY(QString::fromLatin1(svg.family).contains(QFontInfo(font).family()));
    QCOMPARE(svg.advances.size(), std::size_t { 256 });
    for (int c = 0; c < 256; ++c)
        QVERIFY2(svg.advances[static_cast<std::size_t>(c)] == advances[c],
            qPrintable(u"advance of character %1"_s.arg(c)));
    QCOMPARE(svg.kerning.size(), static_cast<std::size_t>(kerning.size()));
    for (qsizetype i = 0; i < kerning.size(); ++i) {
        const KerningPair& k = svg.kerning[static_cast<std::size_t>(i)];
        QVERIFY2(k.left == kerning[i].left && k.right == kerning[i].right
                && k.adjust == kerning[i].adjust,
            qPrintable(u"kerning pair %1"_s.arg(i)));
    }
}

void SvgCanvasTest::diagramDrawsAsTheWindowDraws_data()
{
    QTest::addColumn<QString>("rig");
    QTest::newRow("start values") << u"start"_s;
    QTest::newRow("sample rig") << u"sample"_s;
    QTest::newRow("default data set") << u"default"_s;
    QTest::newRow("awkward names") << u"awkward"_s;
}

void SvgCanvasTest::diagramDrawsAsTheWindowDraws()
{
    QFETCH(QString, rig);
    std::unique_ptr<Rig> window;
    std::unique_ptr<Rig> report;
    const auto make = [&rig] {
        return rig == u"awkward"_s ? awkwardRig() : testsupport::namedRig(rig.toStdString());
    };
    window = make();
    report = make();
    QVERIFY2(window && report, "the default data set is built beside the tests");

    RecordingDevice device;
    {
        QPainter painter(&device);
        paintMixerDiagramArea(painter, *window, Area);
    }
    const QStringList painted = device.engine().ops;

    QString rootFont;
    const QStringList written =
        readSvg(QString::fromStdString(MixerDiagramSvg(*report, { Area.width(), Area.height() })),
            rootFont);

    QVERIFY(painted.size() > 20);
    for (qsizetype i = 0; i < std::min(painted.size(), written.size()); ++i)
        QCOMPARE(written[i], painted[i]);
    QCOMPARE(written.size(), painted.size());

    // Every text was painted in the window's font, and the SVG names that font.
    for (const QFont& font : device.engine().fonts) {
        QCOMPARE(font.pixelSize(), windowFont().pixelSize());
        QCOMPARE(font.stretch(), windowFont().stretch());
        QVERIFY(rootFont.contains(font.family()));
    }
    QVERIFY(rootFont.endsWith(u" condensed %1px"_s.arg(windowFont().pixelSize())));
}

void SvgCanvasTest::calibrationChartDrawsAsTheWindowDraws_data()
{
    QTest::addColumn<int>("curve");
    QTest::addColumn<bool>("overshooting");
    QTest::addColumn<bool>("physical");
    QTest::addColumn<double>("reading"); // of a stage on the curve; 0 for none
    QTest::newRow("argon on R2-15 glass") << 1 << false << false << 0.0;
    QTest::newRow("another curve") << 14 << false << false << 0.0;
    QTest::newRow("a curve without points") << 1000 << false << false << 0.0;
    // The function Execute reads, blue over the points, where it leaves them.
    QTest::newRow("fifteen rotameter points") << 1 << true << false << 0.0;
    QTest::newRow("fifteen points read by the cubic") << 1 << true << true << 0.0;
    // The point a stage used: a red cross, named when the reading lies beyond the curve.
    QTest::newRow("a reading on the curve") << 1 << true << false << 73.0;
    QTest::newRow("a reading above the top") << 1 << true << true << 1e6;
}

void SvgCanvasTest::calibrationChartDrawsAsTheWindowDraws()
{
    QFETCH(int, curve);
    QFETCH(bool, overshooting);
    QFETCH(bool, physical);
    QFETCH(double, reading);
    const std::unique_ptr<Rig> rig = testsupport::defaultDataSetRig();
    QVERIFY2(rig, "the default data set is built beside the tests");
    if (overshooting)
        for (int k = 1; k <= 15; ++k)
            rig->CalCurves[curve].Points[k] = testsupport::OvershootingRotameterPoints[k - 1];
    if (physical)
        rig->Settings.FlowModel = FlowModelKind::Physical;

    // As the chart widget paints: the exported picture (the window's chart under its titles)
    // through the QPainter canvas in the window's font.
    std::optional<CalPointUsed> used;
    if (reading != 0)
        used = UsedPointOf(*rig, curve, reading);
    CalChartPicture picture(*rig, curve, used);
    RecordingDevice device;
    {
        QPainter painter(&device);
        painter.setFont(windowFont());
        QPainterCanvas canvas(painter);
        picture.Draw(canvas);
    }
    const QStringList painted = device.engine().ops;
    QString rootFont;
    const QStringList written =
        readSvg(QString::fromStdString(CalibrationChartSvg(*rig, curve, used)), rootFont);

    QVERIFY(painted.size() > 10);
    // The blue function over the points is part of both pictures.
    if (overshooting)
        QVERIFY(painted.filter(u" #0000e0 1"_s).size() > 100);
    if (used)
        QCOMPARE(painted.filter(u" #ff0000 2"_s).size(), 2);
    for (qsizetype i = 0; i < std::min(painted.size(), written.size()); ++i)
        QCOMPARE(written[i], painted[i]);
    QCOMPARE(written.size(), painted.size());
}

} // namespace meldrix

QTEST_MAIN(meldrix::SvgCanvasTest)
#include "SvgCanvasTest.moc"
