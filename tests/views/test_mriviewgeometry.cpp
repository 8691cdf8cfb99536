#include "views/mriviewgeometry.h"
#include "views/mriviewoverlays.h"
#include "testrunner.h"

#include <QTest>

#include <cmath>
#include <limits>

namespace {

// Shapes are built from sin and cos of whole degrees; a few ulps of 30 pixels.
constexpr double kPixelTolerance = 1e-9;
// Widths come from a power of ten times 200: a few ulps of thousands.
constexpr double kWidthTolerance = 1e-9;

// A PD/T1/T2 case with full scale 2000: level -2000..4000, width 1..20000.
LevelWidthBounds fullScale2000()
{
    return levelWidthBounds(0, 0, true, 2000);
}

bool near(QPointF a, QPointF b)
{
    return std::abs(a.x() - b.x()) < kPixelTolerance && std::abs(a.y() - b.y()) < kPixelTolerance;
}

} // namespace

class MriViewGeometryTest : public QObject
{
    Q_OBJECT

private slots:
    void pictureKeepsSquarePixelsAndIsCentred_data();
    void pictureKeepsSquarePixelsAndIsCentred();
    void screenAndPixelMappingsAgree();
    void pointsLeftOfThePictureMapToNegativePixels();
    void emptyPictureMapsToNoPixel();
    void mriCaseBoundsComeFromFullScale();
    void imageBoundsComeFromRange();
    void clampingKeepsWindowInsideBounds_data();
    void clampingKeepsWindowInsideBounds();
    void significantPixelsAreColouredByP_data();
    void significantPixelsAreColouredByP();
    void frameTimeCountsTwoSecondsPerFrame_data();
    void frameTimeCountsTwoSecondsPerFrame();
    void gradientArrowPointsAlongAngle_data();
    void gradientArrowPointsAlongAngle();
    void glyphFollowsPrincipalDirection();
    void isotropicTensorGivesEmptyGlyph();
    void zeroOrBrokenTensorGivesEmptyGlyph();
    void glyphsAreSixteenScreenPixelsApart();
    void draggingUpRaisesLevelOverWholeRangePerExtent();
    void draggingRightWidensOnLogarithmicScale_data();
    void draggingRightWidensOnLogarithmicScale();
    void draggingBackGivesNearestSliderWidth();
    void draggingOnEmptyWidgetKeepsWindow();
    void draggingWithExtremeBoundsStaysInsideThem();
};

void MriViewGeometryTest::pictureKeepsSquarePixelsAndIsCentred_data()
{
    QTest::addColumn<int>("areaWidth");
    QTest::addColumn<int>("areaHeight");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("cols");
    QTest::addColumn<int>("x0");
    QTest::addColumn<int>("y0");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("square image in wide area") << 400 << 300 << 256 << 256 << 50 << 0 << 300 << 300;
    QTest::newRow("square image in tall area") << 300 << 400 << 256 << 256 << 0 << 50 << 300 << 300;
    QTest::newRow("exact fit") << 256 << 256 << 256 << 256 << 0 << 0 << 256 << 256;
    QTest::newRow("wide image") << 400 << 400 << 200 << 100 << 0 << 100 << 400 << 200;
    QTest::newRow("tall image") << 400 << 400 << 100 << 200 << 100 << 0 << 200 << 400;
    // (300 - 255) / 2 = 22.5 rounds away from zero
    QTest::newRow("rounded height and offset") << 300 << 255 << 256 << 256 << 23 << 0 << 255 << 255;
    QTest::newRow("odd margin rounds up") << 101 << 100 << 10 << 10 << 1 << 0 << 100 << 100;
    QTest::newRow("negative area is empty") << -20 << 100 << 10 << 10 << 0 << 50 << 0 << 0;
}

void MriViewGeometryTest::pictureKeepsSquarePixelsAndIsCentred()
{
    QFETCH(int, areaWidth);
    QFETCH(int, areaHeight);
    QFETCH(int, rows);
    QFETCH(int, cols);
    const ImageRect rect = fitImageRect(areaWidth, areaHeight, rows, cols);
    QTEST(rect.x0, "x0");
    QTEST(rect.y0, "y0");
    QTEST(rect.width, "width");
    QTEST(rect.height, "height");
}

void MriViewGeometryTest::screenAndPixelMappingsAgree()
{
    const ImageRect rect = fitImageRect(400, 300, 128, 128); // 300 x 300 at (50, 0)
    for (int x : {0, 1, 64, 127})
        for (int y : {0, 5, 127}) {
            const ScreenPoint corner = pixelToScreen(rect, 128, 128, x, y);
            const ScreenPoint back = screenToPixel(rect, 128, 128, corner.x + 1, corner.y + 1);
            QCOMPARE(back.x, x);
            QCOMPARE(back.y, y);
        }
    const ScreenPoint first = pixelToScreen(rect, 128, 128, 0, 0);
    QCOMPARE(first.x, 50);
    QCOMPARE(first.y, 0);
    // (300 * 10) / 128 = 23 with integer division
    QCOMPARE(pixelToScreen(rect, 128, 128, 10, 10).x, 73);
}

void MriViewGeometryTest::pointsLeftOfThePictureMapToNegativePixels()
{
    const ImageRect rect = fitImageRect(400, 300, 128, 128);
    const ScreenPoint pixel = screenToPixel(rect, 128, 128, 49, 10);
    QCOMPARE(pixel.x, -1);
    QVERIFY(!pixelInside(pixel, 128, 128));
    QVERIFY(!pixelInside(screenToPixel(rect, 128, 128, 350, 10), 128, 128));
    QVERIFY(pixelInside(screenToPixel(rect, 128, 128, 349, 299), 128, 128));
}

void MriViewGeometryTest::emptyPictureMapsToNoPixel()
{
    const ScreenPoint pixel = screenToPixel(ImageRect{}, 10, 10, 0, 0);
    QCOMPARE(pixel.x, -1);
    QCOMPARE(pixel.y, -1);
}

void MriViewGeometryTest::mriCaseBoundsComeFromFullScale()
{
    const LevelWidthBounds bounds = levelWidthBounds(1, 300, true, 2000);
    QCOMPARE(bounds.levelMin, -2000.0);
    QCOMPARE(bounds.levelMax, 4000.0);
    QCOMPARE(bounds.widthMin, 1.0);
    QCOMPARE(bounds.widthMax, 20000.0);
}

void MriViewGeometryTest::imageBoundsComeFromRange()
{
    LevelWidthBounds bounds = levelWidthBounds(-500, 300, false, 2000);
    QCOMPARE(bounds.levelMin, -1000.0); // 2 * rangeLow is below -rangeHigh
    QCOMPARE(bounds.levelMax, 600.0);
    QCOMPARE(bounds.widthMax, 3000.0);
    bounds = levelWidthBounds(1, 300, false, 2000);
    QCOMPARE(bounds.levelMin, -300.0);
}

void MriViewGeometryTest::clampingKeepsWindowInsideBounds_data()
{
    QTest::addColumn<double>("level");
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("clampedLevel");
    QTest::addColumn<double>("clampedWidth");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("inside") << 500.0 << 1000.0 << 500.0 << 1000.0;
    QTest::newRow("width too large") << 500.0 << 30000.0 << 500.0 << 20000.0;
    QTest::newRow("level too low") << -5000.0 << 100.0 << -2000.0 << 100.0;
    QTest::newRow("level too high") << 5000.0 << 100.0 << 4000.0 << 100.0;
    QTest::newRow("width below one") << 0.0 << 0.25 << 0.0 << 1.0;
    QTest::newRow("not a number") << nan << nan << -2000.0 << 1.0;
    QTest::newRow("infinite") << inf << -inf << 4000.0 << 1.0;
}

void MriViewGeometryTest::clampingKeepsWindowInsideBounds()
{
    QFETCH(double, level);
    QFETCH(double, width);
    clampLevelWidth(level, width, levelWidthBounds(1, 300, true, 2000));
    QTEST(level, "clampedLevel");
    QTEST(width, "clampedWidth");
}

void MriViewGeometryTest::significantPixelsAreColouredByP_data()
{
    QTest::addColumn<double>("p");
    QTest::addColumn<QRgb>("colour");
    QTest::newRow("strongly significant is yellow") << 0.02 << qRgb(255, 255, 0);
    QTest::newRow("middle is orange") << 0.05 << qRgb(255, 165, 0);
    QTest::newRow("weak is orange-red") << 0.08 << qRgb(255, 69, 0);
    QTest::newRow("two thirds is orange-red") << 0.2 / 3 << qRgb(255, 69, 0);
}

void MriViewGeometryTest::significantPixelsAreColouredByP()
{
    QFETCH(double, p);
    QTEST(significantPixelColour(p, 0.1), "colour");
}

void MriViewGeometryTest::frameTimeCountsTwoSecondsPerFrame_data()
{
    QTest::addColumn<int>("frame");
    QTest::addColumn<QString>("text");
    QTest::newRow("first frame") << 0 << "t=  0 s";
    QTest::newRow("eleventh frame") << 10 << "t= 20 s";
    QTest::newRow("last of 99") << 98 << "t=196 s";
}

void MriViewGeometryTest::frameTimeCountsTwoSecondsPerFrame()
{
    QFETCH(int, frame);
    QTEST(frameTimeText(frame), "text");
}

void MriViewGeometryTest::gradientArrowPointsAlongAngle_data()
{
    QTest::addColumn<double>("angle");
    QTest::addColumn<QPointF>("tail");
    QTest::addColumn<QPointF>("tip");
    QTest::newRow("0 points up") << 0.0 << QPointF(25, 40) << QPointF(25, 10);
    QTest::newRow("90 points right") << 90.0 << QPointF(10, 25) << QPointF(40, 25);
    QTest::newRow("-90 points left") << -90.0 << QPointF(40, 25) << QPointF(10, 25);
    QTest::newRow("180 points down") << 180.0 << QPointF(25, 10) << QPointF(25, 40);
}

void MriViewGeometryTest::gradientArrowPointsAlongAngle()
{
    QFETCH(double, angle);
    QFETCH(QPointF, tail);
    QFETCH(QPointF, tip);
    const GradientArrow arrow = gradientArrow(angle);
    QVERIFY(near(arrow.shaft.p1(), tail));
    QVERIFY(near(arrow.shaft.p2(), tip));
    QCOMPARE(arrow.head.size(), 3);
    QVERIFY(near(arrow.head[0], tip));
}

void MriViewGeometryTest::glyphFollowsPrincipalDirection()
{
    // Diffusion only along x: the stroke is horizontal and 12 pixels long.
    const double alongX[9] = {1, 0, 0, 0, 0, 0, 0, 0, 0};
    QLineF glyph = tensorGlyph(alongX, 100, 50);
    QVERIFY(std::abs(glyph.length() - 12) < kPixelTolerance);
    QVERIFY(std::abs(glyph.p1().y() - 50) < kPixelTolerance);
    QVERIFY(std::abs(glyph.center().x() - 100) < kPixelTolerance);

    // Principal direction along y with w2 / w1 = 1 / 2: vertical, 6 pixels long.
    const double alongY[9] = {0.5, 0, 0, 0, 1, 0, 0, 0, 0.1};
    glyph = tensorGlyph(alongY, 10, 10);
    QVERIFY(std::abs(glyph.length() - 6) < kPixelTolerance);
    QVERIFY(std::abs(glyph.p1().x() - 10) < kPixelTolerance);
}

void MriViewGeometryTest::isotropicTensorGivesEmptyGlyph()
{
    const double isotropic[9] = {2, 0, 0, 0, 2, 0, 0, 0, 2};
    QVERIFY(tensorGlyph(isotropic, 7, 8).length() < kPixelTolerance);
}

void MriViewGeometryTest::zeroOrBrokenTensorGivesEmptyGlyph()
{
    const double zero[9] = {};
    QLineF glyph = tensorGlyph(zero, 7, 8);
    QCOMPARE(glyph.p1(), QPointF(7, 8));
    QCOMPARE(glyph.p2(), QPointF(7, 8));
    const double inf = std::numeric_limits<double>::infinity();
    const double broken[9] = {inf, 0, 0, 0, 1, 0, 0, 0, 1};
    glyph = tensorGlyph(broken, 7, 8);
    QVERIFY(std::isfinite(glyph.p1().x()) && std::isfinite(glyph.p2().y()));
}

void MriViewGeometryTest::glyphsAreSixteenScreenPixelsApart()
{
    QCOMPARE(glyphStep(256, 512), 8.0);
    QCOMPARE(glyphStep(256, 256), 16.0);
    QCOMPARE(glyphStep(256, 0), 0.0);
}

RELAXON_TEST_CLASS(MriViewGeometryTest)
#include "test_mriviewgeometry.moc"

void MriViewGeometryTest::draggingUpRaisesLevelOverWholeRangePerExtent()
{
    // 100 pixels up on a 400 x 300 widget: 100 * 6000 / 300 = 2000. Width 1801 is
    // slider position 1000 exactly (1 + 9 * 20000 / 100), so it stays.
    const DisplayWindow up = draggedWindow({100, 200, 1000, 1801}, 100, 100, 300, fullScale2000());
    QCOMPARE(up.level, 3000.0);
    QCOMPARE(up.width, 1801.0);

    // The same drag from level 3000 asks for 5000; clamping holds it at 4000.
    DisplayWindow further = draggedWindow({100, 200, 3000, 1801}, 100, 100, 300, fullScale2000());
    QCOMPARE(further.level, 5000.0);
    clampLevelWidth(further.level, further.width, fullScale2000());
    QCOMPARE(further.level, 4000.0);

    const DisplayWindow down = draggedWindow({100, 100, 1000, 1801}, 100, 130, 300, fullScale2000());
    QCOMPARE(down.level, 400.0);
}

void MriViewGeometryTest::draggingRightWidensOnLogarithmicScale_data()
{
    QTest::addColumn<int>("dx");
    QTest::addColumn<double>("width");
    // From position 1000: dx * 19999 / 300 / 10 positions, rounded; width
    // 1 + (10^(p / 1000) - 1) * 200.
    QTest::newRow("30 right: 1199.99 -> 1200") << 30 << 1 + (15.848931924611135 - 1) * 200;
    QTest::newRow("150 right: 1999.95 -> 2000") << 150 << 1 + (100.0 - 1) * 200;
    QTest::newRow("15 left: 900.005 -> 900") << -15 << 1 + (7.943282347242816 - 1) * 200;
    QTest::newRow("300 left: -999.9 -> -1000, below the bound") << -300 << 1 + (0.1 - 1) * 200;
}

void MriViewGeometryTest::draggingRightWidensOnLogarithmicScale()
{
    QFETCH(int, dx);
    QFETCH(double, width);
    const DisplayWindow window =
        draggedWindow({100, 100, 1000, 1801}, 100 + dx, 100, 300, fullScale2000());
    QVERIFY2(std::abs(window.width - width) < kWidthTolerance * std::abs(width),
             qPrintable(QString::number(window.width, 'g', 17)));
    QCOMPARE(window.level, 1000.0);
}

void MriViewGeometryTest::draggingBackGivesNearestSliderWidth()
{
    // 2000 is no slider width: log10(1999 * 100 / 20000 + 1) = 1.04119... gives
    // position 1041 and 1 + (10^1.041 - 1) * 200 = 1999.01168.
    const DisplayWindow window = draggedWindow({50, 60, 700, 2000}, 50, 60, 300, fullScale2000());
    QVERIFY(std::abs(window.width - 1999.0116788650416) < kWidthTolerance * 2000);
    QCOMPARE(window.level, 700.0);
}

void MriViewGeometryTest::draggingOnEmptyWidgetKeepsWindow()
{
    const DisplayWindow window = draggedWindow({0, 0, 700, 2000}, 40, -40, 0, fullScale2000());
    QCOMPARE(window.level, 700.0);
    QCOMPARE(window.width, 2000.0);
}

void MriViewGeometryTest::draggingWithExtremeBoundsStaysInsideThem()
{
    // An image reaching the largest double: the level range is infinite.
    constexpr double largest = std::numeric_limits<double>::max();
    const LevelWidthBounds bounds = levelWidthBounds(-largest, largest, false, 0);

    // Sideways only: the level must not become a number-less infinity times zero.
    DisplayWindow sideways = draggedWindow({10, 10, 5, 1}, 400, 10, 300, bounds);
    QCOMPARE(sideways.level, 5.0);
    clampLevelWidth(sideways.level, sideways.width, bounds);
    QCOMPARE(sideways.width, bounds.widthMax);

    for (int dy : {-1, 1}) {
        DisplayWindow window = draggedWindow({10, 10, 5, 1}, -400, 10 + dy, 300, bounds);
        clampLevelWidth(window.level, window.width, bounds);
        QVERIFY(std::isfinite(window.level) && std::isfinite(window.width));
        QCOMPARE(window.level, dy < 0 ? bounds.levelMax : bounds.levelMin);
        QCOMPARE(window.width, bounds.widthMin);
    }

    // A start width of 0 (an image without range) on a width scale shorter than 100
    // has no logarithm: it counts as the narrowest width.
    const LevelWidthBounds narrow = levelWidthBounds(1, 1, false, 0);
    const DisplayWindow empty = draggedWindow({10, 10, 1, 0}, 10, 10, 300, narrow);
    QCOMPARE(empty.width, 1.0);
}
