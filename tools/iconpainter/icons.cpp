#include "icons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QtMath>

// One palette for the whole set: the teal of the window's title bars, a
// blue for information, green for go, red for stop, plus neutrals.
namespace {
const QColor ink(0x2B, 0x36, 0x42);
const QColor teal(0x00, 0x66, 0x66);
const QColor tealLight(0x2F, 0x93, 0x8F);
const QColor blue(0x1E, 0x6F, 0xD9);
const QColor blueDark(0x15, 0x4C, 0x9A);
const QColor green(0x2E, 0x9E, 0x44);
const QColor greenDark(0x1D, 0x6E, 0x2E);
const QColor red(0xD6, 0x45, 0x45);
const QColor redDark(0x9C, 0x2A, 0x2A);
const QColor yellow(0xF6, 0xC3, 0x43);
const QColor yellowDark(0xB7, 0x89, 0x2A);
const QColor metal(0xC9, 0xD1, 0xD9);
const QColor grey(0x5F, 0x6B, 0x76);
const QColor paper(0xFF, 0xFF, 0xFF);

QPen stroke(const QColor &c, qreal width)
{
    return QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A top-lit fill, lighter at the top, so every shape reads as a button face.
QBrush face(const QColor &c, qreal top = 2, qreal bottom = 30)
{
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0, c.lighter(135));
    g.setColorAt(1, c);
    return g;
}

void disc(QPainter &p, const QColor &c, const QColor &rim)
{
    p.setPen(stroke(rim, 1.2));
    p.setBrush(face(c));
    p.drawEllipse(QPointF(16, 16), 14, 14);
}

void search(QPainter &p)
{
    p.setPen(stroke(ink, 5));
    p.drawLine(QPointF(20, 20), QPointF(28, 28));
    p.setPen(stroke(teal, 3));
    p.setBrush(QColor(0xD6, 0xEC, 0xFF, 200));
    p.drawEllipse(QPointF(13, 13), 9, 9);
    p.setPen(stroke(paper, 1.6));
    p.drawArc(QRectF(7.5, 7.5, 11, 11), 100 * 16, 70 * 16);
}

void monitor(QPainter &p, qreal x, qreal y)
{
    p.setPen(stroke(ink, 1.2));
    p.setBrush(face(blue, y, y + 7));
    p.drawRoundedRect(QRectF(x, y, 11, 7.5), 1.2, 1.2);
    p.setBrush(ink);
    p.drawRect(QRectF(x + 3.5, y + 8, 4, 1));
}

void networkSet(QPainter &p)
{
    p.setPen(stroke(grey, 2));
    p.drawLine(QPointF(16, 12), QPointF(16, 16.5));
    p.drawLine(QPointF(6.5, 16.5), QPointF(25.5, 16.5));
    p.drawLine(QPointF(6.5, 16.5), QPointF(6.5, 20));
    p.drawLine(QPointF(25.5, 16.5), QPointF(25.5, 20));
    monitor(p, 10.5, 2);
    monitor(p, 1, 20.5);
    monitor(p, 20, 20.5);
}

void langSwitch(QPainter &p)
{
    disc(p, blue, blueDark);
    p.setBrush(Qt::NoBrush);
    p.setPen(stroke(paper, 1.6));
    p.drawEllipse(QPointF(16, 16), 6, 13);
    p.drawLine(QPointF(16, 3), QPointF(16, 29));
    p.drawLine(QPointF(3, 16), QPointF(29, 16));
    QPainterPath north, south;
    north.moveTo(5.5, 9.5);
    north.quadTo(16, 12.5, 26.5, 9.5);
    south.moveTo(5.5, 22.5);
    south.quadTo(16, 19.5, 26.5, 22.5);
    p.drawPath(north);
    p.drawPath(south);
}

void help(QPainter &p)
{
    disc(p, blue, blueDark);
    QPainterPath hook;
    hook.arcMoveTo(QRectF(11, 6.5, 10, 10), 165);
    hook.arcTo(QRectF(11, 6.5, 10, 10), 165, -235);
    hook.quadTo(16, 15.5, 16, 19.5);
    p.setPen(stroke(paper, 3.4));
    p.setBrush(Qt::NoBrush);
    p.drawPath(hook);
    p.setPen(Qt::NoPen);
    p.setBrush(paper);
    p.drawEllipse(QPointF(16, 24.5), 2.1, 2.1);
}

void about(QPainter &p)
{
    disc(p, tealLight, teal);
    p.setPen(Qt::NoPen);
    p.setBrush(paper);
    p.drawEllipse(QPointF(16, 9), 2.4, 2.4);
    p.drawRoundedRect(QRectF(13.8, 13, 4.4, 12.5), 1.5, 1.5);
}

void clear(QPainter &p)
{
    p.translate(17, 15);
    p.rotate(35);
    p.setPen(stroke(QColor(0x6B, 0x44, 0x22), 1));
    p.setBrush(QColor(0x9C, 0x6A, 0x3A));
    p.drawRoundedRect(QRectF(-1.6, -15, 3.2, 16), 1.2, 1.2);
    QPolygonF bristles;
    bristles << QPointF(-5, 3) << QPointF(5, 3) << QPointF(8.5, 15) << QPointF(-8.5, 15);
    p.setPen(stroke(yellowDark, 1.2));
    p.setBrush(face(yellow, 3, 15));
    p.drawPolygon(bristles);
    p.setPen(stroke(yellowDark, 0.9));
    for (qreal x : {-4.5, -1.5, 1.5, 4.5})
        p.drawLine(QPointF(x * 0.7, 5), QPointF(x * 1.3, 14));
    p.setPen(stroke(redDark, 1));
    p.setBrush(red);
    p.drawRoundedRect(QRectF(-5.5, 0.5, 11, 3.2), 1, 1);
}

// A plug seen from the side, prongs pointing to +x, centred on (0, 0).
void plugBody(QPainter &p, const QColor &c, const QColor &rim)
{
    p.setPen(stroke(grey, 1));
    p.setBrush(face(metal, -4, 4));
    p.drawRect(QRectF(4.5, -4.2, 5, 2.4));
    p.drawRect(QRectF(4.5, 1.8, 5, 2.4));
    p.setPen(stroke(rim, 1.2));
    p.setBrush(face(c, -6, 6));
    p.drawRoundedRect(QRectF(-5, -6.5, 10, 13), 2.5, 2.5);
}

void socketBody(QPainter &p, const QColor &c, const QColor &rim)
{
    p.setPen(stroke(rim, 1.2));
    p.setBrush(face(c, -6, 6));
    p.drawRoundedRect(QRectF(-5, -6.5, 10, 13), 2.5, 2.5);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawRect(QRectF(3.5, -3.8, 1.5, 1.6));
    p.drawRect(QRectF(3.5, 2.2, 1.5, 1.6));
}

void cable(QPainter &p, const QPainterPath &path)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(stroke(ink, 2.6));
    p.drawPath(path);
}

void devConnect(QPainter &p)
{
    QPainterPath lead;
    lead.moveTo(16, 23);
    lead.cubicTo(16, 29, 9, 27, 5, 31);
    cable(p, lead);
    p.save();
    p.translate(16, 15.5);
    p.scale(1.5, 1.5);
    p.rotate(-90);
    plugBody(p, teal, ink);
    p.restore();
}

void connect(QPainter &p)
{
    QPainterPath left(QPointF(1, 16));
    left.lineTo(8, 16);
    cable(p, left);
    QPainterPath right(QPointF(24, 16));
    right.lineTo(31, 16);
    cable(p, right);
    p.save();
    p.translate(10.5, 16);
    socketBody(p, green, greenDark);
    p.restore();
    p.save();
    p.translate(21.5, 16);
    p.rotate(180);
    plugBody(p, green, greenDark);
    p.restore();
}

void disconnect(QPainter &p)
{
    QPainterPath left(QPointF(1, 16));
    left.lineTo(4, 16);
    cable(p, left);
    QPainterPath right(QPointF(28, 16));
    right.lineTo(31, 16);
    cable(p, right);
    p.save();
    p.translate(7, 16);
    socketBody(p, grey, ink);
    p.restore();
    p.save();
    p.translate(25, 16);
    p.rotate(180);
    plugBody(p, grey, ink);
    p.restore();
    // The spark of a pulled plug.
    p.setPen(stroke(red, 1.8));
    p.drawLine(QPointF(14, 5), QPointF(15, 9));
    p.drawLine(QPointF(18, 5), QPointF(17, 9));
    p.drawLine(QPointF(14, 27), QPointF(15, 23));
    p.drawLine(QPointF(18, 27), QPointF(17, 23));
}

void closeWhite(QPainter &p)
{
    p.setPen(stroke(paper, 3.5));
    p.drawLine(QPointF(8, 8), QPointF(24, 24));
    p.drawLine(QPointF(24, 8), QPointF(8, 24));
}

void playTriangle(QPainter &p, const QRectF &r)
{
    QPolygonF t;
    t << r.topLeft() << QPointF(r.right(), r.center().y()) << r.bottomLeft();
    p.drawPolygon(t);
}

void startOutput(QPainter &p)
{
    disc(p, green, greenDark);
    p.setPen(stroke(paper, 1.5));
    p.setBrush(paper);
    playTriangle(p, QRectF(12.5, 9.5, 10.5, 13));
}

void stopOutput(QPainter &p)
{
    disc(p, red, redDark);
    p.setPen(Qt::NoPen);
    p.setBrush(paper);
    p.drawRoundedRect(QRectF(10.5, 10.5, 11, 11), 1.8, 1.8);
}

void systemSet(QPainter &p)
{
    QPainterPath gear;
    gear.addEllipse(QPointF(16, 16), 10.5, 10.5);
    for (int i = 0; i < 8; ++i) {
        QPainterPath tooth;
        tooth.addRoundedRect(QRectF(-2.8, -14.5, 5.6, 7), 1, 1);
        QTransform t;
        t.translate(16, 16);
        t.rotate(i * 45);
        gear = gear.united(t.map(tooth));
    }
    QPainterPath hole;
    hole.addEllipse(QPointF(16, 16), 4.5, 4.5);
    gear = gear.subtracted(hole);
    p.setPen(stroke(ink, 1.2));
    p.setBrush(face(tealLight));
    p.drawPath(gear);
}

void listSet(QPainter &p)
{
    p.setPen(stroke(ink, 1));
    p.setBrush(paper);
    p.drawRoundedRect(QRectF(2.5, 2.5, 27, 27), 2.5, 2.5);
    for (qreal y : {8.0, 16.0, 24.0}) {
        p.setPen(Qt::NoPen);
        p.setBrush(teal);
        p.drawRoundedRect(QRectF(6, y - 2, 4, 4), 0.8, 0.8);
        p.setPen(stroke(grey, 2.2));
        p.drawLine(QPointF(13, y), QPointF(26, y));
    }
}

void floppy(QPainter &p)
{
    QPainterPath body;
    body.moveTo(5, 3);
    body.lineTo(24, 3);
    body.lineTo(29, 8);
    body.lineTo(29, 27);
    body.quadTo(29, 29, 27, 29);
    body.lineTo(5, 29);
    body.quadTo(3, 29, 3, 27);
    body.lineTo(3, 5);
    body.quadTo(3, 3, 5, 3);
    p.setPen(stroke(blueDark, 1.2));
    p.setBrush(face(blue));
    p.drawPath(body);
    p.setPen(Qt::NoPen);
    p.setBrush(metal);
    p.drawRect(QRectF(9, 3.6, 13, 8));
    p.setBrush(ink);
    p.drawRect(QRectF(17.5, 5, 2.6, 5.2));
    p.setBrush(paper);
    p.drawRoundedRect(QRectF(7, 15.5, 18, 12.5), 1, 1);
}

void save(QPainter &p)
{
    floppy(p);
    p.setPen(stroke(metal.darker(130), 1.2));
    for (qreal y : {19.5, 23.0})
        p.drawLine(QPointF(10, y), QPointF(22, y));
}

void plotSave(QPainter &p)
{
    floppy(p);
    QPolygonF curve;
    curve << QPointF(9, 26) << QPointF(12, 21.5) << QPointF(15, 23.5) << QPointF(18.5, 18.5)
          << QPointF(20.5, 21) << QPointF(23, 17.5);
    p.setBrush(Qt::NoBrush);
    p.setPen(stroke(red, 1.6));
    p.drawPolyline(curve);
}

void pause(QPainter &p)
{
    p.setPen(stroke(blueDark, 1.2));
    p.setBrush(face(blue, 5, 27));
    p.drawRoundedRect(QRectF(8, 5, 6, 22), 1.6, 1.6);
    p.drawRoundedRect(QRectF(18, 5, 6, 22), 1.6, 1.6);
}

void start(QPainter &p)
{
    p.setPen(stroke(greenDark, 1.6));
    p.setBrush(face(green, 4, 28));
    playTriangle(p, QRectF(8, 4.5, 18.5, 23));
}

void vernier(QPainter &p)
{
    // Beam with its scale, a fixed jaw on the left and a sliding one.
    p.setPen(stroke(ink, 1));
    p.setBrush(face(metal, 5, 11));
    p.drawRect(QRectF(2, 5, 28, 6));
    p.setPen(stroke(ink, 0.8));
    for (int i = 0; i < 9; ++i) {
        const qreal x = 11 + i * 2.2;
        p.drawLine(QPointF(x, 5), QPointF(x, i % 2 ? 7 : 8.5));
    }
    QPolygonF fixedJaw;
    fixedJaw << QPointF(2, 11) << QPointF(8, 11) << QPointF(8, 28) << QPointF(5, 25) << QPointF(2, 17);
    p.setPen(stroke(ink, 1));
    p.setBrush(face(metal, 11, 28));
    p.drawPolygon(fixedJaw);
    QPolygonF slideJaw;
    slideJaw << QPointF(14, 11) << QPointF(20, 11) << QPointF(20, 17) << QPointF(17, 25) << QPointF(14, 28);
    p.setBrush(face(tealLight, 3, 28));
    p.drawPolygon(slideJaw);
    p.drawRoundedRect(QRectF(13, 3, 12, 9.5), 1.5, 1.5);
    p.setPen(stroke(paper, 1));
    p.drawLine(QPointF(15.5, 6), QPointF(22.5, 6));
}

void folderOpen(QPainter &p)
{
    QPainterPath back;
    back.moveTo(3, 7);
    back.lineTo(11.5, 7);
    back.lineTo(14, 9.5);
    back.lineTo(26, 9.5);
    back.lineTo(26, 25);
    back.lineTo(3, 25);
    back.closeSubpath();
    p.setPen(stroke(yellowDark, 1.2));
    p.setBrush(yellow.darker(115));
    p.drawPath(back);
    p.setPen(stroke(grey, 0.8));
    p.setBrush(paper);
    p.drawRect(QRectF(6, 11, 17, 8));
    QPolygonF front;
    front << QPointF(7.5, 14) << QPointF(30.5, 14) << QPointF(26, 26) << QPointF(3, 26);
    p.setPen(stroke(yellowDark, 1.2));
    p.setBrush(face(yellow, 14, 26));
    p.drawPolygon(front);
}

void page(QPainter &p, const QRectF &r, qreal fold)
{
    QPainterPath sheet;
    sheet.moveTo(r.topLeft());
    sheet.lineTo(r.right() - fold, r.top());
    sheet.lineTo(r.right(), r.top() + fold);
    sheet.lineTo(r.bottomRight());
    sheet.lineTo(r.bottomLeft());
    sheet.closeSubpath();
    p.setPen(stroke(grey, 1.1));
    p.setBrush(paper);
    p.drawPath(sheet);
    QPainterPath corner;
    corner.moveTo(r.right() - fold, r.top());
    corner.lineTo(r.right() - fold, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    p.setBrush(metal);
    p.drawPath(corner);
}

void import(QPainter &p)
{
    page(p, QRectF(12, 3, 17, 26), 5);
    p.setPen(stroke(metal.darker(130), 1.2));
    for (qreal y : {11.0, 21.0, 25.0})
        p.drawLine(QPointF(16, y), QPointF(25, y));
    p.setPen(stroke(green, 3.2));
    p.drawLine(QPointF(2.5, 16), QPointF(14, 16));
    p.setPen(stroke(green, 1.2));
    p.setBrush(green);
    QPolygonF head;
    head << QPointF(13, 10.5) << QPointF(20.5, 16) << QPointF(13, 21.5);
    p.drawPolygon(head);
}

void pdfPrint(QPainter &p)
{
    page(p, QRectF(8, 2, 16, 13), 3.5);
    p.setPen(Qt::NoPen);
    p.setBrush(red);
    p.drawRect(QRectF(10.5, 5, 9.5, 4));
    p.setPen(stroke(ink, 1.2));
    p.setBrush(face(grey, 11, 25));
    p.drawRoundedRect(QRectF(2, 11, 28, 13), 2.5, 2.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x7C, 0xE0, 0x8A));
    p.drawEllipse(QPointF(25.5, 15), 1.4, 1.4);
    p.setPen(stroke(grey, 1));
    p.setBrush(paper);
    p.drawRect(QRectF(7.5, 20, 17, 10));
    p.setPen(stroke(red, 1.4));
    p.drawLine(QPointF(10, 23.5), QPointF(22, 23.5));
    p.setPen(stroke(metal.darker(130), 1.2));
    p.drawLine(QPointF(10, 27), QPointF(19, 27));
}
} // namespace

const QVector<IconDrawing> &iconDrawings()
{
    static const QVector<IconDrawing> all = {
        {"search", search},         {"networkSet", networkSet}, {"langSwitch", langSwitch},
        {"help", help},             {"about", about},           {"clear", clear},
        {"devConnect", devConnect}, {"close_white", closeWhite}, {"connect", connect},
        {"disconnect", disconnect}, {"startOutput", startOutput}, {"stopOutput", stopOutput},
        {"systemSet", systemSet},   {"listSet", listSet},       {"plotSave", plotSave},
        {"pause", pause},           {"start", start},           {"vernier", vernier},
        {"folderOpen", folderOpen}, {"import", import},         {"save", save},
        {"pdfPrint", pdfPrint},
    };
    return all;
}
