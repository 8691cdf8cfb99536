#include "icons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace {

// A small palette shared by all icons so that they read as one set.
const QColor outline(40, 44, 52);
const QColor paper(250, 250, 246);
const QColor folder(230, 180, 60);
const QColor folderDark(180, 128, 30);
const QColor accent(40, 110, 200);
const QColor signalRed(210, 40, 40);
const QColor activationYellow(255, 215, 40);
const QColor brainPink(236, 190, 186);
const QColor brainDark(160, 90, 90);
const QColor playGreen(40, 160, 70);
const QColor regionYellow(255, 255, 0); // the colour the views draw a region in

QPen pen(const QColor &c, qreal width = 1.0)
{
    return QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void sheet(QPainter &p, const QRectF &r)
{
    const qreal fold = 3;
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(pen(outline));
    p.setBrush(paper);
    p.drawPath(path);
}

void textLines(QPainter &p, qreal left, qreal right, qreal top, int count)
{
    p.setPen(pen(QColor(120, 130, 150)));
    for (int i = 0; i < count; ++i)
        p.drawLine(QPointF(left, top + 2 * i), QPointF(right, top + 2 * i));
}

void paintOpen(QPainter &p)
{
    // back of the folder with its tab
    QPainterPath back;
    back.moveTo(1.5, 13.5);
    back.lineTo(1.5, 3.5);
    back.lineTo(5.5, 3.5);
    back.lineTo(7, 5.5);
    back.lineTo(13.5, 5.5);
    back.lineTo(13.5, 13.5);
    back.closeSubpath();
    p.setPen(pen(folderDark));
    p.setBrush(folderDark.lighter(130));
    p.drawPath(back);
    // the front flap, tilted open
    QPolygonF front{{1.5, 13.5}, {4.5, 7.5}, {15.5, 7.5}, {12.5, 13.5}};
    p.setBrush(folder);
    p.drawPolygon(front);
}

void paintLevelWidth(QPainter &p)
{
    // a grey ramp from black to white under a double arrow: the window's span
    QLinearGradient ramp(1.5, 0, 14.5, 0);
    ramp.setColorAt(0, Qt::black);
    ramp.setColorAt(1, Qt::white);
    p.setPen(pen(outline));
    p.setBrush(ramp);
    p.drawRect(QRectF(1.5, 8.5, 13, 6));
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(accent, 1));
    p.drawLine(QPoint(2, 2), QPoint(2, 6));
    p.drawLine(QPoint(14, 2), QPoint(14, 6));
    p.drawLine(QPoint(3, 4), QPoint(13, 4));
    p.setPen(Qt::NoPen);
    p.setBrush(accent);
    p.drawPolygon(QPolygon{QPoint(3, 4), QPoint(6, 1), QPoint(6, 7)});
    p.drawPolygon(QPolygon{QPoint(13, 4), QPoint(10, 1), QPoint(10, 7)});
    p.setRenderHint(QPainter::Antialiasing, true);
}

void miniImage(QPainter &p, const QRectF &r, int grey)
{
    p.setPen(pen(outline));
    p.setBrush(QColor(grey, grey, grey));
    p.drawRect(r);
}

void paintFollow(QPainter &p)
{
    // the active image (highlighted) hands its window on to the other one
    miniImage(p, QRectF(0.5, 0.5, 7, 7), 90);
    p.setPen(pen(accent));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1.5, 1.5, 5, 5));
    miniImage(p, QRectF(8.5, 8.5, 7, 7), 90);
    p.setPen(pen(accent, 1.5));
    p.drawLine(QPointF(3.5, 8.5), QPointF(3.5, 12));
    p.drawLine(QPointF(3.5, 12), QPointF(5, 12));
    p.setPen(Qt::NoPen);
    p.setBrush(accent);
    p.drawPolygon(QPolygonF{{8.5, 12}, {5, 9}, {5, 15}});
}

void paintRegion(QPainter &p)
{
    // a region drawn on a head slice, as the views show it
    miniImage(p, QRectF(0.5, 0.5, 15, 15), 30);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(170, 170, 170));
    p.drawEllipse(QRectF(2.5, 1.5, 11, 13));
    p.setPen(pen(regionYellow, 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(5.5, 5.5, 5, 5));
}

void paintCopy(QPainter &p)
{
    sheet(p, QRectF(1.5, 1.5, 8, 10));
    textLines(p, 3.5, 7.5, 5.5, 3);
    sheet(p, QRectF(6.5, 4.5, 8, 10));
    p.fillRect(QRectF(8, 8, 5, 5), QColor(110, 110, 110));
}

void paintCopyValues(QPainter &p)
{
    sheet(p, QRectF(1.5, 1.5, 8, 10));
    textLines(p, 3.5, 7.5, 5.5, 3);
    sheet(p, QRectF(6.5, 4.5, 8, 10));
    // a small table of values: two columns of short lines
    p.setPen(pen(accent));
    for (int row = 0; row < 3; ++row) {
        const qreal y = 8.5 + 2 * row;
        p.drawLine(QPointF(8.5, y), QPointF(9.5, y));
        p.drawLine(QPointF(11, y), QPointF(12.5, y));
    }
}

void paintNewWindow(QPainter &p)
{
    p.setPen(pen(outline));
    p.setBrush(paper);
    p.drawRect(QRectF(0.5, 3.5, 12, 11));
    p.fillRect(QRectF(1, 4, 11, 2), accent);
    p.fillRect(QRectF(2.5, 7.5, 8, 5.5), QColor(95, 95, 95));
    // a plus star: "make another"
    p.setPen(pen(QColor(240, 170, 0), 2));
    p.drawLine(QPointF(13, 0.8), QPointF(13, 6.2));
    p.drawLine(QPointF(10.3, 3.5), QPointF(15.7, 3.5));
}

void paintAnimation(QPainter &p)
{
    // a decaying echo signal with a moving marker on it
    p.setPen(pen(outline));
    p.setBrush(paper);
    p.drawRect(QRectF(0.5, 0.5, 15, 15));
    QPainterPath curve;
    curve.moveTo(2, 3);
    for (int i = 1; i <= 24; ++i) {
        const qreal x = 2 + i * 0.5;
        curve.lineTo(x, 14 - 11 * std::exp(-(x - 2) / 3.5));
    }
    p.setPen(pen(accent, 1.3));
    p.setBrush(Qt::NoBrush);
    p.drawPath(curve);
    p.setPen(Qt::NoPen);
    p.setBrush(signalRed);
    p.drawEllipse(QPointF(6, 14 - 11 * std::exp(-4 / 3.5)), 2, 2);
}

void paintBold(QPainter &p)
{
    // a block-design time curve: the signal rises while the task runs
    p.setPen(pen(outline));
    p.setBrush(paper);
    p.drawRect(QRectF(0.5, 0.5, 15, 15));
    p.setPen(pen(signalRed, 1.5));
    const QPolygonF curve{{1.5, 11}, {4, 11}, {5, 5}, {8, 5}, {9, 11}, {11, 11}, {12, 5}, {14.5, 5}};
    p.drawPolyline(curve);
}

void paintStart(QPainter &p)
{
    p.setPen(pen(playGreen.darker(140)));
    p.setBrush(playGreen);
    p.drawPolygon(QPolygonF{{3.5, 1.5}, {14, 8}, {3.5, 14.5}});
}

// A brain slice seen from above: two hemispheres with a few folds.
void brain(QPainter &p, const QRectF &r)
{
    p.setPen(pen(brainDark));
    p.setBrush(brainPink);
    p.drawEllipse(r);
    const QPointF c = r.center();
    p.drawLine(QPointF(c.x(), r.top() + 1), QPointF(c.x(), r.bottom() - 1));
    p.setPen(pen(brainDark));
    p.setBrush(Qt::NoBrush);
    const qreal w = r.width();
    const qreal h = r.height();
    p.drawArc(QRectF(r.left() + 0.2 * w, r.top() + 0.25 * h, 0.25 * w, 0.2 * h), 0, 180 * 16);
    p.drawArc(QRectF(r.left() + 0.55 * w, r.top() + 0.25 * h, 0.25 * w, 0.2 * h), 0, 180 * 16);
    p.drawArc(QRectF(r.left() + 0.15 * w, r.top() + 0.55 * h, 0.3 * w, 0.2 * h), 180 * 16, 180 * 16);
    p.drawArc(QRectF(r.left() + 0.55 * w, r.top() + 0.55 * h, 0.3 * w, 0.2 * h), 180 * 16, 180 * 16);
}

void activationBlob(QPainter &p, const QPointF &centre, qreal radius)
{
    QRadialGradient glow(centre, radius);
    glow.setColorAt(0, activationYellow);
    glow.setColorAt(0.6, signalRed);
    glow.setColorAt(1, QColor(210, 40, 40, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(centre, radius, radius);
}

void paintBrain(QPainter &p)
{
    brain(p, QRectF(1.5, 0.5, 13, 15));
}

void paintStatistics(QPainter &p)
{
    // the statistics map alone: activation on a dark background
    p.setPen(pen(outline));
    p.setBrush(QColor(30, 30, 40));
    p.drawRect(QRectF(0.5, 0.5, 15, 15));
    activationBlob(p, QPointF(5.5, 6), 4);
    activationBlob(p, QPointF(11, 10.5), 3.5);
}

void paintBoth(QPainter &p)
{
    brain(p, QRectF(1.5, 0.5, 13, 15));
    activationBlob(p, QPointF(5.5, 6), 3.5);
    activationBlob(p, QPointF(10.5, 10.5), 3);
}

void paintModalityChoice(QPainter &p)
{
    // the overlay with a drop-down mark: this button opens the mode menu
    brain(p, QRectF(0.5, 0.5, 11, 13));
    activationBlob(p, QPointF(4.5, 5.5), 3);
    p.setPen(Qt::NoPen);
    p.setBrush(outline);
    p.drawPolygon(QPolygonF{{10, 11}, {16, 11}, {13, 15}});
}

} // namespace

QList<IconDrawing> actionIcons()
{
    return {
        {QStringLiteral("open.png"), paintOpen},
        {QStringLiteral("levwid.png"), paintLevelWidth},
        {QStringLiteral("follow.png"), paintFollow},
        {QStringLiteral("region.png"), paintRegion},
        {QStringLiteral("copy.png"), paintCopy},
        {QStringLiteral("copyValues.png"), paintCopyValues},
        {QStringLiteral("newwin.png"), paintNewWindow},
        {QStringLiteral("anim.png"), paintAnimation},
        {QStringLiteral("bold.png"), paintBold},
        {QStringLiteral("start.png"), paintStart},
        {QStringLiteral("brain16.png"), paintBrain},
        {QStringLiteral("fmri-s.png"), paintStatistics},
        {QStringLiteral("fmri.png"), paintBoth},
        {QStringLiteral("fmri-wa.png"), paintModalityChoice},
    };
}

void paintLogo(QPainter &p)
{
    // A rounded tile in the program's blue holding an axial head slice whose
    // tissues glow in grey levels, as a simulated recording shows them.
    QLinearGradient tile(0, 0, 0, 128);
    tile.setColorAt(0, QColor(40, 90, 170));
    tile.setColorAt(1, QColor(20, 45, 100));
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(2, 2, 124, 124), 22, 22);

    p.setBrush(QColor(235, 235, 235)); // scalp
    p.drawEllipse(QRectF(22, 14, 84, 100));
    p.setBrush(QColor(70, 70, 70)); // skull
    p.drawEllipse(QRectF(28, 20, 72, 88));
    p.setBrush(QColor(175, 175, 175)); // grey matter
    p.drawEllipse(QRectF(33, 25, 62, 78));
    p.setBrush(QColor(215, 215, 215)); // white matter
    p.drawEllipse(QRectF(41, 35, 46, 58));
    // the lateral ventricles: a dark butterfly whose wings open towards the front
    p.setBrush(QColor(35, 35, 35));
    for (int side : {-1, 1}) {
        QPainterPath wing;
        wing.moveTo(64 + side * 2, 50);
        wing.cubicTo(64 + side * 16, 40, 64 + side * 14, 58, 64 + side * 6, 64);
        wing.cubicTo(64 + side * 12, 70, 64 + side * 12, 82, 64 + side * 3, 80);
        wing.lineTo(64 + side * 2, 50);
        p.drawPath(wing);
    }
    // the gap between the hemispheres and the two Sylvian fissures
    p.setPen(QPen(QColor(70, 70, 70), 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(64, 26), QPointF(64, 46));
    p.drawLine(QPointF(64, 84), QPointF(64, 102));
    p.drawLine(QPointF(34, 62), QPointF(46, 58));
    p.drawLine(QPointF(94, 62), QPointF(82, 58));
}

QImage render(const std::function<void(QPainter &)> &paint, int canvas, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(qreal(size) / canvas, qreal(size) / canvas);
    paint(p);
    p.end();
    return image;
}
