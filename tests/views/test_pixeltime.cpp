#include "views/pixeltime.h"

#include "testimage.h"
#include "cases/casedata.h"
#include "views/pixeltimescale.h"
#include "testrunner.h"

#include <QImage>
#include <QKeyEvent>
#include <QTest>

#include <cmath>
#include <limits>

namespace {

// Records the keys that reach it; accepts them only when asked to.
struct KeyRecorder : QWidget
{
    using QWidget::QWidget;
    void keyPressEvent(QKeyEvent *event) override { keys.append(event->key()), event->setAccepted(accepting); }
    QList<int> keys;
    bool accepting = true;
};

// A functional series of 4 frames of 3 x 2 pixels (see makeSeries).
struct Series
{
    CaseData data;
    Series() { makeSeries(data, 3, 2, 4); }
    ~Series() { data.release(); }
};

bool blueNear(const QImage &picture, int x, int y)
{
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy)
            if (picture.pixelColor(x + dx, y + dy) == QColor(0, 0, 255))
                return true;
    return false;
}

} // namespace

class TestPixelTime : public QObject
{
    Q_OBJECT

private slots:
    void takesTheSeriesOfAPixel()
    {
        Series series;
        PixelTime curve(nullptr, 4);
        // (a, b) counted from 0: corners of the frame, then pixels past each of its edges.
        for (const auto &[a, b, first] : {std::tuple(0, 0, 1110.0), std::tuple(0, 1, 1120.0), std::tuple(2, 0, 1310.0),
                                          std::tuple(3, 0, 0.0), std::tuple(0, 2, 0.0), std::tuple(-1, 0, 0.0),
                                          std::tuple(0, -1, 0.0)}) {
            curve.fillFromSeries(series.data, 1, 1);
            curve.fillFromSeries(series.data, a, b);
            for (int k = 0; k < 4; ++k)
                QCOMPARE(curve.value(k), first == 0 ? 0.0 : first + k);
        }
    }

    void maximumLimitsTheFrames()
    {
        Series series;
        PixelTime curve(nullptr, 4);
        curve.fillFromSeries(series.data, 2, 1, 2);
        QCOMPARE(QList<double>({curve.value(0), curve.value(1), curve.value(2)}), QList<double>({1320, 1321, 0}));

        // More values than the case has frames: the missing frames are 0.
        PixelTime longer(nullptr, 6);
        QCOMPARE(longer.value(0), 0.0); // before any pixel is chosen
        longer.fillFromSeries(series.data, 0, 0);
        QCOMPARE(QList<double>({longer.value(3), longer.value(4), longer.value(5)}), QList<double>({1113, 0, 0}));
        // A case without frames gives zeros, and so does a curve without values.
        longer.fillFromSeries(CaseData(), 0, 0);
        QCOMPARE(longer.value(0), 0.0);
        QCOMPARE(PixelTime(nullptr, -3).count(), 0);
    }

    void labelsAroundTheMean()
    {
        // A mean of 40 starts at 0; a huge one ends the loop; not a number gives none.
        const std::pair<double, QList<double>> cases[] = {{0, {-50, -25, 0, 25, 50}},
                                                          {1010, {975, 1000, 1025, 1050}},
                                                          {40, {0, 25, 50, 75}},
                                                          {-12.5, {-50, -25, 0, 25}},
                                                          {std::numeric_limits<double>::quiet_NaN(), {}},
                                                          {1e300, QList<double>(5, 1e300)}};
        for (const auto &[mean, labels] : cases) {
            const std::vector<double> computed = timeCurveLabels(mean);
            QCOMPARE(QList<double>(computed.begin(), computed.end()), labels);
            // A label of 0 is never written as "-0".
            for (double label : computed)
                QVERIFY(label != 0 || !std::signbit(label));
        }
    }

    void freshWindowDrawsOnTheMiddleLine()
    {
        // 250 x 150: h' = 149, the plot 181 x 116 from x = 60, its bottom at 126, the
        // middle line at 126 - 58 = 68; ten frames are 18.1 pixels apart.
        QCOMPARE(timeCurveY(0, 0, 149, 116), 68.0);
        QCOMPARE(timeCurveY(1030, 1010, 149, 116), 48.0);

        PixelTime curve(nullptr, 10);
        const QImage picture = curve.grab().toImage();
        QVERIFY(blueNear(picture, 96, 68));
        QVERIFY(blueNear(picture, 222, 68));
        // The frame marker of frame 0 at x = 60, from the bottom up to 10.
        QCOMPARE(picture.pixelColor(60, 100), QColor(255, 0, 0));
        QCOMPARE(picture.pixelColor(60, 12), QColor(255, 0, 0));
        QCOMPARE(picture.pixelColor(245, 145), QColor(255, 255, 255));

        // The bands are the statistics' blocks: frames 1 and 2 none, then ten frames of
        // rest (light) from x = 74.5, ten of task (dark) from 146.9, rest from 219.3; 25
        // frames are 7.24 pixels apart.
        const QImage banded = PixelTime(nullptr, 25).grab().toImage();
        QCOMPARE(banded.pixelColor(100, 30), QColor(230, 230, 230));
        QCOMPARE(banded.pixelColor(180, 30), QColor(200, 200, 200));
        QCOMPARE(banded.pixelColor(230, 30), QColor(230, 230, 230));

        // Too small a window, or no frames, paints nothing.
        for (QSize size : {QSize(70, 150), QSize(250, 34)}) {
            curve.resize(size);
            QVERIFY(curve.grab().toImage().pixelColor(size.width() - 2, size.height() - 2) != QColor(255, 255, 255));
        }
        QVERIFY(PixelTime(nullptr, 0).grab().toImage().pixelColor(200, 100) != QColor(255, 255, 255));
    }

    void keysTravelToTheViewAndUpwards()
    {
        KeyRecorder mainWindow;
        auto *view = new KeyRecorder(&mainWindow);
        view->accepting = false;
        auto *curve = new PixelTime(view, 10);
        curve->show();
        QVERIFY(QTest::qWaitForWindowExposed(curve));
        QTest::keyClick(curve, Qt::Key_Right);
        QTest::keyClick(curve, Qt::Key_Escape);
        const QList<int> sent{Qt::Key_Right, Qt::Key_Escape};
        QCOMPARE(view->keys + mainWindow.keys, sent + sent);
        // Escape does not close the window.
        QVERIFY(curve->isVisible() && curve->result() == 0);

        // It sits beside the main window, at the given offset from its left.
        mainWindow.setGeometry(100, 80, 800, 600);
        curve->placeBeside(&mainWindow, 500);
        QCOMPARE(curve->pos(), QPoint(mainWindow.x() + 500 - curve->width(), mainWindow.geometry().top()));
    }
};

RELAXON_TEST_CLASS(TestPixelTime)
#include "test_pixeltime.moc"
