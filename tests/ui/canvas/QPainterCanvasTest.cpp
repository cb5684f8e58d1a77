#include "common/qt/QPainterCanvas.h"

#include "common/qt/RecordText.h"
#include "diagram/MixerDiagram.h"
#include "support/SampleRigs.h"
#include "ui/canvas/MixerDiagramPainter.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;

namespace meldrix {
namespace {

constexpr Rgb White { 255, 255, 255 };
constexpr Rgb Grey { 128, 128, 128 };
constexpr Rgb Red { 255, 0, 0 };

QImage blackImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    return image;
}

QRgb rgb(Rgb c)
{
    return qRgb(c.red, c.green, c.blue);
}

// The pixels of `image` that hold `colour`, inside `area`.
int count(const QImage& image, const QRect& area, QRgb colour)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += image.pixel(x, y) == colour ? 1 : 0;
    return n;
}

// Pixels of text, which is drawn smoothed: near black.
int countDark(const QImage& image, const QRect& area)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += qGray(image.pixel(x, y)) < 64 ? 1 : 0;
    return n;
}

} // namespace

class QPainterCanvasTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rectangleCoversItsOwnPixels_data();
    void rectangleCoversItsOwnPixels();
    void fillRectLeavesTheFarEdges();
    void linesRunBetweenTheirPoints();
    void textIsReadAsLatin1OnTheFillColour();
    void clipCutsTextAndResetKeepsThePaintersOwnClip();
    void controlCharactersShowAsPlaceholders();
    void diagram_data();
    void diagram();
};

void QPainterCanvasTest::rectangleCoversItsOwnPixels_data()
{
    QTest::addColumn<QPoint>("corner");
    QTest::addColumn<QPoint>("opposite");
    QTest::newRow("top-left first") << QPoint(10, 10) << QPoint(20, 16);
    QTest::newRow("bottom-right first") << QPoint(20, 16) << QPoint(10, 10);
    QTest::newRow("bottom-left first") << QPoint(10, 16) << QPoint(20, 10);
}

void QPainterCanvasTest::rectangleCoversItsOwnPixels()
{
    QFETCH(QPoint, corner);
    QFETCH(QPoint, opposite);
    QImage image = blackImage(40, 40);
    {
        QPainter painter(&image);
        QPainterCanvas canvas(painter);
        canvas.setPen(White, 1);
        canvas.setFill(Grey);
        canvas.rectangle({ corner.x(), corner.y() }, { opposite.x(), opposite.y() });
    }
    // Outline on columns 10 and 19, rows 10 and 15; grey inside; nothing at 20 or 16.
    QCOMPARE(count(image, QRect(10, 10, 10, 1), rgb(White)), 10);
    QCOMPARE(count(image, QRect(10, 15, 10, 1), rgb(White)), 10);
    QCOMPARE(count(image, QRect(10, 10, 1, 6), rgb(White)), 6);
    QCOMPARE(count(image, QRect(19, 10, 1, 6), rgb(White)), 6);
    QCOMPARE(count(image, QRect(11, 11, 8, 4), rgb(Grey)), 32);
    QCOMPARE(count(image, QRect(0, 0, 40, 40), qRgb(0, 0, 0)), 40 * 40 - 10 * 6);
}

void QPainterCanvasTest::fillRectLeavesTheFarEdges()
{
    QImage image = blackImage(20, 20);
    {
        QPainter painter(&image);
        QPainterCanvas canvas(painter);
        canvas.setPen(Red, 1);
        canvas.setFill(White);
        canvas.fillRect({ 12, 8 }, { 2, 3 });
    }
    QCOMPARE(count(image, QRect(2, 3, 10, 5), rgb(White)), 50);
    QCOMPARE(count(image, QRect(0, 0, 20, 20), rgb(White)), 50);
    QCOMPARE(count(image, QRect(0, 0, 20, 20), rgb(Red)), 0);
}

void QPainterCanvasTest::linesRunBetweenTheirPoints()
{
    QImage image = blackImage(30, 30);
    {
        QPainter painter(&image);
        QPainterCanvas canvas(painter);
        canvas.setPen(Red, 1);
        canvas.moveTo({ 5, 20 });
        canvas.lineTo({ 5, 2 });
        canvas.lineTo({ 25, 2 });
        // Far outside the surface, as a damaged rig's levels may be.
        canvas.moveTo({ 15, -196334 });
        canvas.lineTo({ 15, 10 });
    }
    QCOMPARE(count(image, QRect(5, 2, 1, 19), rgb(Red)), 19);
    QCOMPARE(count(image, QRect(6, 2, 20, 1), rgb(Red)), 20);
    QCOMPARE(count(image, QRect(15, 0, 1, 11), rgb(Red)), 11);
    QCOMPARE(count(image, QRect(0, 0, 30, 30), rgb(Red)), 19 + 20 + 11 - 1);
}

void QPainterCanvasTest::textIsReadAsLatin1OnTheFillColour()
{
    QImage image = blackImage(200, 40);
    QPainter painter(&image);
    painter.setFont(windowFont());
    QPainterCanvas canvas(painter);
    const QFontMetrics metrics(windowFont());
    const QString expected = u"\u00C4rger 25\u00B0"_s;
    const Size size = canvas.textSize("\xC4rger 25\xB0");
    QCOMPARE(size.width, metrics.horizontalAdvance(expected));
    QCOMPARE(size.height, metrics.height());
    QVERIFY(size.width > metrics.horizontalAdvance(u"rger 25"_s));
    QCOMPARE(metrics.height(), QFontMetrics(painter.font()).height());
    QVERIFY(metrics.height() >= 11 && metrics.height() <= 16);

    canvas.setFill(Grey);
    canvas.setTextColour({ 0, 0, 0 });
    canvas.textOut({ 10, 5 }, "\xC4rger 25\xB0");
    painter.end();
    const QRect cell(10, 5, size.width, size.height);
    QVERIFY(count(image, cell, rgb(Grey)) > cell.width() * cell.height() / 2);
    QVERIFY(countDark(image, cell) > 10);
    QCOMPARE(count(image, QRect(0, 0, 200, 40), rgb(Grey)), count(image, cell, rgb(Grey)));
}

void QPainterCanvasTest::clipCutsTextAndResetKeepsThePaintersOwnClip()
{
    QImage image = blackImage(300, 40);
    QPainter painter(&image);
    painter.setFont(windowFont());
    painter.setClipRect(QRect(0, 0, 250, 40)); // as a partial repaint would
    QPainterCanvas canvas(painter);
    canvas.setFill(Grey);
    canvas.setTextColour(White); // text that escaped the clip would show on the black
    const std::string huge(300, '8');
    canvas.setClip({ 10, 5 }, { 50, 20 });
    canvas.textOut({ 10, 5 }, huge);
    canvas.resetClip();
    canvas.fillRect({ 240, 30 }, { 300, 40 });
    painter.end();
    QCOMPARE(count(image, QRect(50, 0, 190, 40), rgb(Grey)), 0);
    QCOMPARE(countDark(image, QRect(50, 0, 190, 30)), 190 * 30);
    QVERIFY(count(image, QRect(10, 5, 40, 15), rgb(Grey)) > 0);
    // The painter's own clip still holds after resetClip().
    QCOMPARE(count(image, QRect(240, 30, 10, 10), rgb(Grey)), 100);
    QCOMPARE(count(image, QRect(250, 30, 50, 10), rgb(Grey)), 0);
}

void QPainterCanvasTest::controlCharactersShowAsPlaceholders()
{
    QCOMPARE(shownRecordText(std::string_view("N\0l\x1F\x7F\x85\xC4", 7)),
        u"N\u2400l\u241F\u2421\uFFFD\u00C4"_s);
    // Control pictures go back to the bytes they picture; other characters beyond Latin-1 do not.
    QCOMPARE(
        toRecordText(u"N\u2400l\u241F\u2421\u00C4\u20AC"_s), std::string("N\0l\x1F\x7F\xC4?", 7));
    QImage image = blackImage(100, 20);
    QPainter painter(&image);
    painter.setFont(windowFont());
    QPainterCanvas canvas(painter);
    QVERIFY(canvas.textSize(std::string_view("\0\0\0", 3)).width > 10);
}

void QPainterCanvasTest::diagram_data()
{
    QTest::addColumn<QString>("rig");
    QTest::newRow("start values") << u"start"_s;
    QTest::newRow("sample rig") << u"sample"_s;
    QTest::newRow("default data set") << u"default"_s;
}

// Renders the whole diagram as the window shows it (1067 × 853, black), keeps the picture for a
// look, and checks a few pixels that only come out right through the whole path.
void QPainterCanvasTest::diagram()
{
    QFETCH(QString, rig);
    const std::unique_ptr<Rig> drawn = testsupport::namedRig(rig.toStdString());
    QVERIFY2(drawn, "the default data set is built beside the tests");
    QImage image = blackImage(1067, 853);
    {
        QPainter painter(&image);
        paintMixerDiagram(painter, *drawn);
    }
    QVERIFY(image.save(QString::fromUtf8(MELDRIX_DIAGRAM_PNG_DIR "/diagram-") + rig + u".png"_s));

    // Stage 1's box: outline, grey inside, black text.
    const LayoutBox& stage = drawn->FlowmeterBoxes[1];
    QCOMPARE(image.pixel(stage.Left, stage.Top), rgb(White));
    QCOMPARE(image.pixel(stage.Right - 2, stage.Bottom - 2), rgb(Grey));
    QVERIFY(countDark(image, QRect(stage.Left + 1, stage.Top + 2, 20, 11)) > 10);
    // Stage 1's input line between its box and its input level, in the colour of its gas.
    const int input = drawn->Flowmeters[1].Input;
    if (input >= 1 && input <= MaxGases && !isSet(drawn->Flowmeters[1].FixGasUsed))
        QCOMPARE(image.pixel(stage.Mid, stage.Bottom + 70), rgb(GasLineColor(input)));
    QCOMPARE(image.pixel(1000, 800), qRgb(0, 0, 0));
}

} // namespace meldrix

QTEST_MAIN(meldrix::QPainterCanvasTest)
#include "QPainterCanvasTest.moc"
