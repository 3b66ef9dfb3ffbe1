// The console's pictures, drawn with QPainter on first use: the tree's image lists, the toolbar
// buttons, the application icon, the splash picture and the column-resize cursor.
//
// Tree images (list 0 = bitmap 131; list 1 = bitmap 148, the same pictures with a light halo
// so they stay legible on the highlight colour of selected rows):
//   0 application alert table      a sheet with a header row and a grid
//   1 pager method                 a pager with its display
//   2 broadcast                    a mast sending waves both ways
//   3 SNMP                         a network device sending a trap upwards
//   4 Microsoft Mail, SMTP         an envelope
//   5 event log, activity logs     a ring-bound notepad
//   6 recipient                    a person
//   7, 11, 28 (not used)           a blank sheet
//   8 server leaf, other resources a computer
//   9 server in the network        a tower server
//  10 network provider             a globe
//  12 activity                     a chart with a pulse line
//  13 configuration                a gear
//  14 Windows event-log method     a bound book
//  15 domain or workgroup          two computers
//  16 SNMP station over IP         a computer with a green badge
//  17 SNMP station over IPX        a computer with an orange badge
//  18 trouble ticket               a printer issuing a ticket
//  19 directory tree, container    a small hierarchy
//  20 shared folder                a folder on a network cable
//  21 shared printer               a printer on a network cable
//  22 important (severity 1)       a red circle with a cross
//  23 warning (severity 2), summary a yellow triangle with an exclamation mark
//  24 information (severity 3)     a blue circle with an i
//  25 port configuration           a modem
//  26 port                         a nine-pin serial connector
//  27 Lotus Notes                  a yellow tile with an N
//  29 Microsoft Exchange           an envelope with a blue exchange badge
#include "res/ResourceIds.h"
#include "res/Resources.h"
#include "res/StringIds.h"

#include <QFont>
#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kTreeCell = 16;

// ---- drawing helpers (design units; the caller scales) ------------------------------------

QImage Canvas(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void Begin(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

QLinearGradient Vertical(const QRectF& r, const QColor& top, const QColor& bottom)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return g;
}

QPen Outline(const QColor& color, qreal width = 1.0)
{
    QPen pen(color, width);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

const QColor kInk(0x3b, 0x48, 0x58);       // outlines of neutral objects
const QColor kPaper(0xff, 0xff, 0xff);
const QColor kPaperShade(0xe6, 0xeb, 0xf2);
const QColor kRule(0xa8, 0xb4, 0xc4);       // lines on paper

void Monitor(QPainter& p, const QRectF& r)
{
    // Bezel and screen, with the stand under the bezel.
    const qreal standW = r.width() * 0.5;
    const QRectF base(r.center().x() - standW / 2, r.bottom() + r.height() * 0.18, standW, r.height() * 0.16);
    const QRectF neck(r.center().x() - r.width() * 0.12, r.bottom(), r.width() * 0.24, base.top() - r.bottom());
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x6b, 0x77, 0x87));
    p.drawRect(neck);
    p.setPen(Outline(kInk, 0.8));
    p.setBrush(Vertical(base, QColor(0xb8, 0xc2, 0xce), QColor(0x7d, 0x8a, 0x9a)));
    p.drawRoundedRect(base, 0.8, 0.8);
    p.setBrush(Vertical(r, QColor(0xd9, 0xdf, 0xe7), QColor(0x9a, 0xa6, 0xb5)));
    p.drawRoundedRect(r, 1.2, 1.2);
    const qreal inset = std::max<qreal>(1.3, r.width() * 0.1);
    const QRectF screen = r.adjusted(inset, inset, -inset, -inset);
    p.setPen(Outline(QColor(0x1d, 0x3f, 0x6e), 0.6));
    p.setBrush(Vertical(screen, QColor(0x7c, 0xb8, 0xf2), QColor(0x23, 0x63, 0xb5)));
    p.drawRect(screen);
}

void Page(QPainter& p, const QRectF& r, bool lines)
{
    const qreal fold = r.width() * 0.3;
    QPainterPath path;
    path.moveTo(r.topLeft());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.bottomRight());
    path.lineTo(r.bottomLeft());
    path.closeSubpath();
    p.setPen(Outline(kInk, 0.9));
    p.setBrush(Vertical(r, kPaper, kPaperShade));
    p.drawPath(path);
    QPainterPath corner;
    corner.moveTo(r.right() - fold, r.top());
    corner.lineTo(r.right() - fold, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    p.setBrush(QColor(0xcf, 0xd7, 0xe2));
    p.drawPath(corner);
    if (!lines)
        return;
    p.setPen(Outline(kRule, r.height() * 0.06));
    const qreal left = r.left() + r.width() * 0.2;
    const qreal right = r.right() - r.width() * 0.2;
    for (int i = 0; i < 4; ++i) {
        const qreal y = r.top() + r.height() * (0.42 + 0.15 * i);
        p.drawLine(QPointF(left, y), QPointF(i == 3 ? (left + right) / 2 : right, y));
    }
}

void Envelope(QPainter& p, const QRectF& r)
{
    p.setPen(Outline(QColor(0x4f, 0x60, 0x76), 0.9));
    p.setBrush(Vertical(r, QColor(0xff, 0xff, 0xff), QColor(0xdd, 0xe5, 0xf0)));
    p.drawRoundedRect(r, 0.8, 0.8);
    QPainterPath flap;
    flap.moveTo(r.topLeft() + QPointF(0.4, 0.4));
    flap.lineTo(r.center().x(), r.top() + r.height() * 0.58);
    flap.lineTo(r.topRight() + QPointF(-0.4, 0.4));
    p.setBrush(Qt::NoBrush);
    p.drawPath(flap);
}

void Badge(QPainter& p, const QPointF& c, qreal radius, const QColor& light, const QColor& dark)
{
    QRadialGradient g(c - QPointF(radius * 0.35, radius * 0.35), radius * 1.4);
    g.setColorAt(0, light);
    g.setColorAt(1, dark);
    p.setPen(Outline(QColor(255, 255, 255), radius * 0.22));
    p.setBrush(g);
    p.drawEllipse(c, radius, radius);
    p.setPen(Outline(dark.darker(140), radius * 0.1));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, radius * 1.1, radius * 1.1);
}

void Printer(QPainter& p, const QRectF& r, bool ticket)
{
    // r is the printer's body; the paper stands out above and below it.
    const qreal w = r.width();
    const qreal h = r.height();
    const QRectF feed(r.left() + w * 0.22, r.top() - h * 0.55, w * 0.56, h * 0.6);
    p.setPen(Outline(kInk, 0.8));
    p.setBrush(kPaper);
    p.drawRect(feed);
    p.setBrush(Vertical(r, QColor(0xd5, 0xdb, 0xe4), QColor(0x86, 0x93, 0xa4)));
    p.drawRoundedRect(r, h * 0.18, h * 0.18);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3f, 0xb9, 0x5a));
    p.drawEllipse(QPointF(r.right() - w * 0.14, r.top() + h * 0.3), h * 0.09, h * 0.09);
    const QRectF out(r.left() + w * 0.22, r.bottom() - h * 0.35, w * 0.56, h * 0.75);
    p.setPen(Outline(kInk, 0.8));
    p.setBrush(kPaper);
    p.drawRect(out);
    p.setPen(Outline(ticket ? QColor(0xd9, 0x53, 0x3b) : kRule, h * 0.09));
    for (int i = 1; i <= 2; ++i) {
        const qreal y = out.top() + out.height() * (0.3 * i + 0.12);
        p.drawLine(QPointF(out.left() + out.width() * 0.2, y), QPointF(out.right() - out.width() * 0.2, y));
    }
}

void NetworkCable(QPainter& p, qreal x, qreal top, qreal bottom, qreal left, qreal right)
{
    p.setPen(Outline(QColor(0x2d, 0x3a, 0x4a), 1.2));
    p.drawLine(QPointF(x, top), QPointF(x, bottom));
    p.drawLine(QPointF(left, bottom), QPointF(right, bottom));
}

void Folder(QPainter& p, const QRectF& r)
{
    QPainterPath back;
    back.moveTo(r.left(), r.top() + r.height() * 0.15);
    back.lineTo(r.left() + r.width() * 0.08, r.top());
    back.lineTo(r.left() + r.width() * 0.38, r.top());
    back.lineTo(r.left() + r.width() * 0.46, r.top() + r.height() * 0.15);
    back.lineTo(r.right(), r.top() + r.height() * 0.15);
    back.lineTo(r.bottomRight());
    back.lineTo(r.bottomLeft());
    back.closeSubpath();
    p.setPen(Outline(QColor(0x9a, 0x6b, 0x00), 0.9));
    p.setBrush(QColor(0xe8, 0xb0, 0x2e));
    p.drawPath(back);
    const QRectF front(r.left(), r.top() + r.height() * 0.32, r.width(), r.height() * 0.68);
    p.setBrush(Vertical(front, QColor(0xff, 0xd9, 0x6a), QColor(0xf2, 0xb1, 0x22)));
    p.drawRoundedRect(front, 0.6, 0.6);
}

void Person(QPainter& p, const QRectF& r)
{
    const qreal w = r.width();
    const qreal h = r.height();
    QPainterPath body;
    body.moveTo(r.left(), r.bottom());
    body.cubicTo(r.left(), r.top() + h * 0.5, r.right(), r.top() + h * 0.5, r.right(), r.bottom());
    body.closeSubpath();
    p.setPen(Outline(QColor(0x1d, 0x4b, 0x8f), 0.9));
    p.setBrush(Vertical(QRectF(r.left(), r.top() + h * 0.55, w, h * 0.45), QColor(0x6c, 0xa6, 0xec), QColor(0x2a, 0x64, 0xb8)));
    p.drawPath(body);
    const QPointF head(r.center().x(), r.top() + h * 0.3);
    const qreal hr = w * 0.22;
    QRadialGradient g(head - QPointF(hr * 0.3, hr * 0.3), hr * 1.3);
    g.setColorAt(0, QColor(0xfb, 0xe0, 0xc4));
    g.setColorAt(1, QColor(0xe3, 0xa8, 0x78));
    p.setPen(Outline(QColor(0x8a, 0x5a, 0x36), 0.8));
    p.setBrush(g);
    p.drawEllipse(head, hr, hr);
}

QPainterPath Gear(const QPointF& c, qreal outer, qreal inner, int teeth)
{
    QPainterPath path;
    const qreal step = 2 * M_PI / teeth;
    for (int i = 0; i < teeth; ++i) {
        const qreal a = i * step;
        const qreal angles[4] = {a - step * 0.22, a - step * 0.14, a + step * 0.14, a + step * 0.22};
        const qreal radii[4] = {inner, outer, outer, inner};
        for (int k = 0; k < 4; ++k) {
            const QPointF pt(c.x() + radii[k] * std::cos(angles[k]), c.y() + radii[k] * std::sin(angles[k]));
            if (i == 0 && k == 0)
                path.moveTo(pt);
            else
                path.lineTo(pt);
        }
        const qreal mid = a + step * 0.5;
        path.lineTo(c.x() + inner * std::cos(mid), c.y() + inner * std::sin(mid));
    }
    path.closeSubpath();
    return path;
}

// ---- tree images (16 x 16) --------------------------------------------------------------------

void TreeAppTable(QPainter& p)
{
    const QRectF r(1.5, 2.5, 13, 11);
    p.setPen(Outline(kInk, 1));
    p.setBrush(kPaper);
    p.drawRect(r);
    p.setPen(Qt::NoPen);
    p.setBrush(Vertical(QRectF(r.left(), r.top(), r.width(), 3), QColor(0x5b, 0x9b, 0xe6), QColor(0x2a, 0x66, 0xbd)));
    p.drawRect(QRectF(r.left() + 0.5, r.top() + 0.5, r.width() - 1, 2.8));
    p.setPen(Outline(kRule, 0.8));
    p.drawLine(QPointF(r.left() + 0.5, 9), QPointF(r.right() - 0.5, 9));
    p.drawLine(QPointF(r.left() + 0.5, 11.3), QPointF(r.right() - 0.5, 11.3));
    p.drawLine(QPointF(6, r.top() + 3.3), QPointF(6, r.bottom() - 0.5));
    p.drawLine(QPointF(10.3, r.top() + 3.3), QPointF(10.3, r.bottom() - 0.5));
    p.setPen(Outline(kInk, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
}

void TreePager(QPainter& p)
{
    const QRectF body(2, 3.5, 12, 9.5);
    p.setPen(Outline(QColor(0x25, 0x2f, 0x3b), 1));
    p.setBrush(Vertical(body, QColor(0x71, 0x7f, 0x91), QColor(0x3c, 0x47, 0x55)));
    p.drawRoundedRect(body, 2, 2);
    const QRectF screen(4, 5.3, 8, 3.6);
    p.setPen(Outline(QColor(0x2c, 0x4a, 0x1c), 0.6));
    p.setBrush(Vertical(screen, QColor(0xd4, 0xf0, 0xa6), QColor(0x9c, 0xcf, 0x62)));
    p.drawRect(screen);
    p.setPen(Outline(QColor(0x2c, 0x4a, 0x1c), 0.8));
    p.drawLine(QPointF(5, 6.6), QPointF(10.5, 6.6));
    p.drawLine(QPointF(5, 7.9), QPointF(8.5, 7.9));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xdd, 0xe3, 0xea));
    p.drawEllipse(QPointF(5.5, 10.9), 0.9, 0.9);
    p.drawEllipse(QPointF(8, 10.9), 0.9, 0.9);
    p.setBrush(QColor(0xef, 0x53, 0x50));
    p.drawEllipse(QPointF(10.5, 10.9), 0.9, 0.9);
}

void TreeBroadcast(QPainter& p)
{
    const QPointF top(8, 6);
    p.setPen(Outline(QColor(0x3b, 0x48, 0x58), 1.4));
    p.drawLine(top, QPointF(4.8, 14.5));
    p.drawLine(top, QPointF(11.2, 14.5));
    p.drawLine(QPointF(6.1, 11), QPointF(9.9, 11));
    p.setPen(Outline(QColor(0x2f, 0x6f, 0xbd), 1.4));
    p.setBrush(Qt::NoBrush);
    for (qreal radius : {3.2, 5.8}) {
        const QRectF box(top.x() - radius, top.y() - radius, radius * 2, radius * 2);
        p.drawArc(box, -40 * 16, 80 * 16);
        p.drawArc(box, 140 * 16, 80 * 16);
    }
    p.setPen(Outline(QColor(0x9b, 0x1c, 0x1c), 0.7));
    p.setBrush(QColor(0xef, 0x53, 0x50));
    p.drawEllipse(top, 1.5, 1.5);
}

void TreeSnmp(QPainter& p)
{
    const QRectF box(1.5, 7, 13, 6.5);
    p.setPen(Outline(QColor(0x2a, 0x36, 0x46), 1));
    p.setBrush(Vertical(box, QColor(0x8a, 0x9c, 0xb3), QColor(0x4a, 0x5b, 0x72)));
    p.drawRoundedRect(box, 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x66, 0xe0, 0x7a));
    p.drawEllipse(QPointF(4, 10.3), 0.95, 0.95);
    p.setBrush(QColor(0xff, 0xc1, 0x07));
    p.drawEllipse(QPointF(6.6, 10.3), 0.95, 0.95);
    p.setBrush(QColor(0x23, 0x2c, 0x38));
    p.drawRect(QRectF(9, 9.3, 1.6, 2));
    p.drawRect(QRectF(11.3, 9.3, 1.6, 2));
    // the trap, sent out from the device
    p.setPen(Outline(QColor(0xe0, 0x70, 0x00), 1.4));
    p.setBrush(Qt::NoBrush);
    const QPointF source(8, 6.6);
    for (qreal r : {2.6, 5.2}) {
        const QRectF box(source.x() - r, source.y() - r, 2 * r, 2 * r);
        p.drawArc(box, 50 * 16, 80 * 16);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe0, 0x70, 0x00));
    p.drawEllipse(source - QPointF(0, 0.6), 1.1, 1.1);
}

void TreeMail(QPainter& p)
{
    Envelope(p, QRectF(1.5, 3.5, 13, 9));
}

void TreeLog(QPainter& p)
{
    const QRectF r(3, 2, 10.5, 12.5);
    p.setPen(Outline(kInk, 1));
    p.setBrush(Vertical(r, kPaper, kPaperShade));
    p.drawRoundedRect(r, 0.8, 0.8);
    p.setPen(Outline(QColor(0x2f, 0x6f, 0xbd), 1));
    p.drawLine(QPointF(5, 5.5), QPointF(11.5, 5.5));
    p.setPen(Outline(kRule, 0.9));
    for (qreal y : {7.8, 10.0, 12.2})
        p.drawLine(QPointF(5, y), QPointF(y > 12 ? 9 : 11.5, y));
    // rings of the binding
    p.setPen(Outline(QColor(0x2d, 0x3a, 0x4a), 0.9));
    p.setBrush(QColor(0xd5, 0xdb, 0xe4));
    for (qreal x : {5.3, 8.25, 11.2})
        p.drawRoundedRect(QRectF(x - 0.75, 0.8, 1.5, 2.8), 0.7, 0.7);
}

void TreeRecipient(QPainter& p)
{
    Person(p, QRectF(2.5, 1.2, 11, 13.5));
}

void TreeBlank(QPainter& p)
{
    const QRectF r(3.5, 1.5, 9, 13);
    p.setPen(Outline(QColor(0xa0, 0xab, 0xb9), 1));
    p.setBrush(QColor(0xf4, 0xf6, 0xf9));
    p.drawRoundedRect(r, 0.8, 0.8);
}

void TreeComputer(QPainter& p)
{
    Monitor(p, QRectF(1.5, 1.5, 13, 9.5));
}

void TreeNetServer(QPainter& p)
{
    const QRectF r(4, 1, 8, 14);
    p.setPen(Outline(kInk, 1));
    p.setBrush(Vertical(r, QColor(0xe1, 0xe6, 0xed), QColor(0x93, 0xa0, 0xb1)));
    p.drawRoundedRect(r, 1.2, 1.2);
    p.setPen(Outline(QColor(0x4b, 0x56, 0x63), 0.9));
    p.setBrush(QColor(0xb6, 0xc0, 0xcd));
    p.drawRect(QRectF(5.5, 3, 5, 1.6));
    p.drawRect(QRectF(5.5, 5.6, 5, 1.6));
    p.setPen(Outline(QColor(0x7d, 0x8a, 0x9a), 0.7));
    for (qreal y : {9.0, 10.2})
        p.drawLine(QPointF(5.8, y), QPointF(10.2, y));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x35, 0xc7, 0x5a));
    p.drawEllipse(QPointF(6.5, 12.8), 0.9, 0.9);
}

void TreeNetwork(QPainter& p)
{
    const QPointF c(8, 8);
    const qreal r = 6.6;
    QRadialGradient g(c - QPointF(2, 2.5), r * 1.5);
    g.setColorAt(0, QColor(0x9c, 0xcd, 0xfa));
    g.setColorAt(1, QColor(0x1f, 0x5f, 0xb8));
    p.setPen(Outline(QColor(0x15, 0x44, 0x85), 1));
    p.setBrush(g);
    p.drawEllipse(c, r, r);
    p.setPen(Outline(QColor(255, 255, 255, 170), 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, r * 0.45, r);
    p.drawLine(QPointF(c.x(), c.y() - r), QPointF(c.x(), c.y() + r));
    p.drawLine(QPointF(c.x() - r, c.y()), QPointF(c.x() + r, c.y()));
    const qreal dy = r * 0.5;
    const qreal dx = std::sqrt(r * r - dy * dy);
    p.drawLine(QPointF(c.x() - dx, c.y() - dy), QPointF(c.x() + dx, c.y() - dy));
    p.drawLine(QPointF(c.x() - dx, c.y() + dy), QPointF(c.x() + dx, c.y() + dy));
}

void TreeActivity(QPainter& p)
{
    const QRectF r(1.5, 2.5, 13, 11);
    p.setPen(Outline(kInk, 1));
    p.setBrush(Vertical(r, kPaper, kPaperShade));
    p.drawRoundedRect(r, 1.2, 1.2);
    p.setPen(Outline(QColor(0xdb, 0xe2, 0xea), 0.6));
    p.drawLine(QPointF(2.5, 8), QPointF(13.5, 8));
    p.setPen(Outline(QColor(0x1f, 0x9d, 0x55), 1.4));
    const QPointF pulse[] = {{3, 8.5}, {5.5, 8.5}, {7, 4.8}, {8.6, 11.6}, {10, 7.6}, {11, 8.5}, {13, 8.5}};
    p.drawPolyline(pulse, 7);
}

void TreeConfig(QPainter& p)
{
    const QPointF c(8, 8);
    const QPainterPath gear = Gear(c, 7.2, 5.3, 8);
    p.setPen(Outline(QColor(0x34, 0x42, 0x55), 0.9));
    p.setBrush(Vertical(QRectF(0, 0, 16, 16), QColor(0xb4, 0xc2, 0xd4), QColor(0x5a, 0x6d, 0x88)));
    p.drawPath(gear);
    p.setBrush(QColor(0xf4, 0xf6, 0xf9));
    p.drawEllipse(c, 2.2, 2.2);
}

void TreeEventLogMethod(QPainter& p)
{
    const QRectF cover(3, 1.5, 10.5, 13);
    // page edges show on the right and at the bottom
    p.setPen(Outline(kInk, 0.8));
    p.setBrush(kPaper);
    p.drawRoundedRect(cover.adjusted(1.2, 1.2, 0.5, 0.5), 0.6, 0.6);
    p.setPen(Outline(QColor(0x6b, 0x1f, 0x1d), 1));
    p.setBrush(Vertical(cover, QColor(0xd4, 0x5d, 0x58), QColor(0x8e, 0x2a, 0x27)));
    p.drawRoundedRect(cover.adjusted(0, 0, -0.8, -0.8), 0.8, 0.8);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x6b, 0x1f, 0x1d));
    p.drawRect(QRectF(cover.left() + 0.5, cover.top() + 0.5, 1.6, cover.height() - 1.8));
    p.setPen(Outline(QColor(0x7a, 0x5c, 0x1a), 0.6));
    p.setBrush(QColor(0xfb, 0xf3, 0xdc));
    p.drawRect(QRectF(6.3, 4, 5, 3.6));
    p.setPen(Outline(QColor(0xb0, 0x8a, 0x3a), 0.7));
    p.drawLine(QPointF(7.1, 5.2), QPointF(10.5, 5.2));
    p.drawLine(QPointF(7.1, 6.5), QPointF(9.6, 6.5));
}

void TreeDomain(QPainter& p)
{
    Monitor(p, QRectF(6, 0.8, 9, 6.4));
    Monitor(p, QRectF(1, 5.5, 9.5, 6.8));
}

void TreeSnmpStation(QPainter& p, const QColor& light, const QColor& dark)
{
    Monitor(p, QRectF(1, 1.2, 11, 8));
    Badge(p, QPointF(11.6, 11.6), 3.5, light, dark);
    p.setPen(Outline(QColor(255, 255, 255), 1.1));
    p.drawLine(QPointF(10, 11.6), QPointF(13.1, 11.6));
    p.drawLine(QPointF(11.9, 10.3), QPointF(13.2, 11.6));
    p.drawLine(QPointF(11.9, 12.9), QPointF(13.2, 11.6));
}

void TreeTicket(QPainter& p)
{
    Printer(p, QRectF(1.5, 5.5, 13, 6.5), true);
}

void TreeDirectory(QPainter& p)
{
    p.setPen(Outline(QColor(0x3b, 0x48, 0x58), 1));
    p.drawLine(QPointF(8, 5), QPointF(8, 8));
    p.drawLine(QPointF(3.5, 8), QPointF(12.5, 8));
    p.drawLine(QPointF(3.5, 8), QPointF(3.5, 10.5));
    p.drawLine(QPointF(12.5, 8), QPointF(12.5, 10.5));
    auto node = [&p](const QRectF& r, const QColor& light, const QColor& dark) {
        p.setPen(Outline(dark.darker(150), 0.9));
        p.setBrush(Vertical(r, light, dark));
        p.drawRoundedRect(r, 0.8, 0.8);
    };
    node(QRectF(5.5, 1, 5, 4), QColor(0x7c, 0xb4, 0xf2), QColor(0x2a, 0x66, 0xbd));
    node(QRectF(1, 10.5, 5, 4), QColor(0x8b, 0xd9, 0x8f), QColor(0x2e, 0x8b, 0x3e));
    node(QRectF(10, 10.5, 5, 4), QColor(0x8b, 0xd9, 0x8f), QColor(0x2e, 0x8b, 0x3e));
}

void TreeDiskShare(QPainter& p)
{
    NetworkCable(p, 8, 10, 14.6, 2.5, 13.5);
    Folder(p, QRectF(1.5, 1.5, 13, 9.5));
}

void TreePrintShare(QPainter& p)
{
    NetworkCable(p, 8, 10, 14.6, 2.5, 13.5);
    p.save();
    p.translate(0, -1.2);
    Printer(p, QRectF(1.5, 4.5, 13, 5.8), false);
    p.restore();
}

void TreeImportant(QPainter& p)
{
    Badge(p, QPointF(8, 8), 6.2, QColor(0xff, 0x8a, 0x80), QColor(0xc6, 0x28, 0x28));
    p.setPen(Outline(QColor(255, 255, 255), 2));
    p.drawLine(QPointF(5.6, 5.6), QPointF(10.4, 10.4));
    p.drawLine(QPointF(10.4, 5.6), QPointF(5.6, 10.4));
}

void TreeWarning(QPainter& p)
{
    QPainterPath tri;
    tri.moveTo(8, 1.3);
    tri.lineTo(15, 14);
    tri.lineTo(1, 14);
    tri.closeSubpath();
    p.setPen(Outline(QColor(0x8a, 0x5c, 0x00), 1));
    p.setBrush(Vertical(QRectF(1, 1.3, 14, 12.7), QColor(0xff, 0xe0, 0x70), QColor(0xf0, 0xa8, 0x00)));
    p.drawPath(tri);
    p.setPen(Outline(QColor(0x26, 0x1c, 0x00), 1.8));
    p.drawLine(QPointF(8, 5.6), QPointF(8, 9.4));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x26, 0x1c, 0x00));
    p.drawEllipse(QPointF(8, 11.7), 1.05, 1.05);
}

void TreeInformation(QPainter& p)
{
    Badge(p, QPointF(8, 8), 6.2, QColor(0x8c, 0xc4, 0xfa), QColor(0x1f, 0x62, 0xb8));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255));
    p.drawEllipse(QPointF(8, 4.9), 1.1, 1.1);
    p.drawRoundedRect(QRectF(7, 6.8, 2, 5.2), 0.5, 0.5);
}

void TreePortConfig(QPainter& p)
{
    // a modem: the box the pager ports dial through
    const QRectF box(1.5, 5, 13, 7);
    p.setPen(Outline(kInk, 1));
    p.setBrush(Vertical(box, QColor(0xee, 0xf1, 0xf5), QColor(0xa9, 0xb5, 0xc4)));
    p.drawRoundedRect(box, 1.8, 1.8);
    p.setPen(Outline(QColor(0x7d, 0x8a, 0x9a), 0.7));
    p.drawLine(QPointF(2.8, 7.2), QPointF(13.2, 7.2));
    p.setPen(Qt::NoPen);
    const QColor leds[] = {QColor(0x35, 0xc7, 0x5a), QColor(0x35, 0xc7, 0x5a), QColor(0xff, 0xb3, 0x00), QColor(0xe5, 0x39, 0x35)};
    for (int i = 0; i < 4; ++i) {
        p.setBrush(leds[i]);
        p.drawEllipse(QPointF(4 + i * 2.3, 9.7), 0.8, 0.8);
    }
    // the line cord
    p.setPen(Outline(QColor(0x2d, 0x3a, 0x4a), 1));
    p.setBrush(Qt::NoBrush);
    QPainterPath cord;
    cord.moveTo(12, 5);
    cord.cubicTo(12, 2, 14.5, 3, 14.5, 0.8);
    p.drawPath(cord);
}

void TreePort(QPainter& p)
{
    QPainterPath shell;
    shell.moveTo(1, 4.2);
    shell.lineTo(15, 4.2);
    shell.lineTo(12.8, 11.8);
    shell.lineTo(3.2, 11.8);
    shell.closeSubpath();
    p.setPen(Outline(kInk, 1));
    p.setBrush(Vertical(QRectF(1, 4.2, 14, 7.6), QColor(0xdf, 0xe5, 0xec), QColor(0x8d, 0x99, 0xa8)));
    p.drawPath(shell);
    QPainterPath face;
    face.moveTo(2.8, 5.6);
    face.lineTo(13.2, 5.6);
    face.lineTo(11.7, 10.5);
    face.lineTo(4.3, 10.5);
    face.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2f, 0x3a, 0x46));
    p.drawPath(face);
    p.setBrush(QColor(0xf2, 0xc1, 0x4e));
    for (int i = 0; i < 5; ++i)
        p.drawEllipse(QPointF(4.6 + i * 1.7, 7.1), 0.6, 0.6);
    for (int i = 0; i < 4; ++i)
        p.drawEllipse(QPointF(5.45 + i * 1.7, 9.1), 0.6, 0.6);
}

void TreeNotes(QPainter& p)
{
    const QRectF r(1.5, 1.5, 13, 13);
    p.setPen(Outline(QColor(0x9a, 0x70, 0x00), 1));
    p.setBrush(Vertical(r, QColor(0xff, 0xe6, 0x7a), QColor(0xf2, 0xb2, 0x05)));
    p.drawRoundedRect(r, 2.5, 2.5);
    QPainterPath n;
    n.addRect(QRectF(4.4, 4, 1.9, 8));
    n.addRect(QRectF(9.7, 4, 1.9, 8));
    QPainterPath diagonal;
    diagonal.moveTo(4.4, 4);
    diagonal.lineTo(6.4, 4);
    diagonal.lineTo(11.6, 12);
    diagonal.lineTo(9.6, 12);
    diagonal.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3a, 0x2a, 0x00));
    p.drawPath(n.united(diagonal));
}

void TreeExchange(QPainter& p)
{
    Envelope(p, QRectF(0.8, 1.8, 11.5, 8));
    Badge(p, QPointF(11.5, 11.5), 3.9, QColor(0x8c, 0xc4, 0xfa), QColor(0x1f, 0x62, 0xb8));
    // two arrows chasing each other round the badge
    p.setPen(Outline(QColor(255, 255, 255), 1));
    p.setBrush(Qt::NoBrush);
    const QRectF ring(9.4, 9.4, 4.2, 4.2);
    p.drawArc(ring, 20 * 16, 140 * 16);
    p.drawArc(ring, 200 * 16, 140 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255));
    const QPointF a[] = {{13.9, 10.4}, {13.9, 12.3}, {12.3, 11.5}};
    p.drawPolygon(a, 3);
    const QPointF b[] = {{9.1, 12.6}, {9.1, 10.7}, {10.7, 11.5}};
    p.drawPolygon(b, 3);
}

void DrawTreeImage(QPainter& p, int index)
{
    switch (index) {
    case IMG_APP_TABLE: TreeAppTable(p); break;
    case IMG_PAGER: TreePager(p); break;
    case IMG_BROADCAST: TreeBroadcast(p); break;
    case IMG_SNMP: TreeSnmp(p); break;
    case IMG_MAIL: TreeMail(p); break;
    case IMG_LOG: TreeLog(p); break;
    case IMG_RECIPIENT: TreeRecipient(p); break;
    case IMG_COMPUTER: TreeComputer(p); break;
    case IMG_NET_SERVER: TreeNetServer(p); break;
    case IMG_NETWORK: TreeNetwork(p); break;
    case IMG_ACTIVITY: TreeActivity(p); break;
    case IMG_CONFIG: TreeConfig(p); break;
    case IMG_EVENTLOG_METHOD: TreeEventLogMethod(p); break;
    case IMG_DOMAIN: TreeDomain(p); break;
    case IMG_SNMP_IP: TreeSnmpStation(p, QColor(0x7d, 0xe0, 0x8c), QColor(0x1e, 0x8e, 0x3e)); break;
    case IMG_SNMP_IPX: TreeSnmpStation(p, QColor(0xff, 0xc0, 0x6e), QColor(0xd9, 0x6c, 0x00)); break;
    case IMG_TICKET: TreeTicket(p); break;
    case IMG_DIRECTORY: TreeDirectory(p); break;
    case IMG_DISK_SHARE: TreeDiskShare(p); break;
    case IMG_PRINT_SHARE: TreePrintShare(p); break;
    case IMG_IMPORTANT: TreeImportant(p); break;
    case IMG_WARNING: TreeWarning(p); break;
    case IMG_INFORMATION: TreeInformation(p); break;
    case IMG_PORT_CONFIG: TreePortConfig(p); break;
    case IMG_PORT: TreePort(p); break;
    case IMG_NOTES: TreeNotes(p); break;
    case IMG_EXCHANGE: TreeExchange(p); break;
    default: TreeBlank(p); break;
    }
}

// A light rim around the opaque parts, so a picture keeps its shape on a dark highlight.
QImage WithHalo(const QImage& source)
{
    const QImage src = source.convertToFormat(QImage::Format_ARGB32);
    QImage out = Canvas(src.width(), src.height());
    {
        QPainter p(&out);
        for (int y = 0; y < src.height(); ++y) {
            for (int x = 0; x < src.width(); ++x) {
                if (qAlpha(src.pixel(x, y)) >= 64)
                    continue;
                int near = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx;
                        const int ny = y + dy;
                        if (nx >= 0 && ny >= 0 && nx < src.width() && ny < src.height())
                            near = std::max(near, qAlpha(src.pixel(nx, ny)));
                    }
                if (near >= 128)
                    p.fillRect(x, y, 1, 1, QColor(255, 255, 255, 190));
            }
        }
        p.drawImage(0, 0, src);
    }
    return out;
}

QImage RenderTreeImage(int list, int index)
{
    QImage image = Canvas(kTreeCell, kTreeCell);
    {
        QPainter p(&image);
        Begin(p);
        DrawTreeImage(p, index);
    }
    return list == 1 ? WithHalo(image) : image;
}

// ---- toolbar buttons (designed on 24 x 24) ------------------------------------------------

void DrawPlug(QPainter& p, bool connected)
{
    // cable, plug and socket in the lower right corner
    const qreal shift = connected ? 0 : -2.6;
    p.setPen(Outline(QColor(0x2d, 0x3a, 0x4a), 1.6));
    p.setBrush(Qt::NoBrush);
    QPainterPath cable;
    cable.moveTo(7, 23);
    cable.cubicTo(8, 19, 10, 19, 12 + shift, 19);
    p.drawPath(cable);
    const QRectF body(11.5 + shift, 15.5, 6, 7);
    p.setPen(Outline(QColor(0x1f, 0x27, 0x31), 0.9));
    p.setBrush(Vertical(body, QColor(0x6d, 0x7a, 0x8c), QColor(0x34, 0x3e, 0x4b)));
    p.drawRoundedRect(body, 1.2, 1.2);
    p.setBrush(QColor(0xd5, 0xdb, 0xe4));
    p.drawRect(QRectF(body.right(), 16.8, 2.6, 1.3));
    p.drawRect(QRectF(body.right(), 19.9, 2.6, 1.3));
    const QRectF socket(20.2, 14.5, 3.3, 9);
    const QColor light = connected ? QColor(0x6f, 0xd6, 0x7f) : QColor(0xf2, 0x7a, 0x72);
    const QColor dark = connected ? QColor(0x1e, 0x8e, 0x3e) : QColor(0xb7, 0x23, 0x23);
    p.setPen(Outline(dark.darker(140), 0.9));
    p.setBrush(Vertical(socket, light, dark));
    p.drawRoundedRect(socket, 0.8, 0.8);
    if (!connected) {
        // the gap between plug and socket
        p.setPen(Outline(QColor(0xd3, 0x2f, 0x2f), 1.2));
        p.drawLine(QPointF(17.4, 13.2), QPointF(18.6, 11.6));
        p.drawLine(QPointF(18.9, 14.2), QPointF(21, 13.2));
    }
}

void ToolConnect(QPainter& p, bool connected)
{
    Monitor(p, QRectF(1.5, 1.5, 15, 10.5));
    DrawPlug(p, connected);
}

void ToolStart(QPainter& p)
{
    QPainterPath tri;
    tri.moveTo(6, 3.5);
    tri.lineTo(20.5, 12);
    tri.lineTo(6, 20.5);
    tri.closeSubpath();
    p.setPen(Outline(QColor(0x14, 0x6b, 0x2a), 1.2));
    p.setBrush(Vertical(QRectF(6, 3.5, 14.5, 17), QColor(0x7e, 0xe0, 0x88), QColor(0x1f, 0x9a, 0x35)));
    p.drawPath(tri);
}

void ToolStop(QPainter& p)
{
    const QRectF r(4.5, 4.5, 15, 15);
    p.setPen(Outline(QColor(0x8e, 0x1b, 0x1b), 1.2));
    p.setBrush(Vertical(r, QColor(0xf6, 0x86, 0x80), QColor(0xc6, 0x28, 0x28)));
    p.drawRoundedRect(r, 2.2, 2.2);
}

void ToolPause(QPainter& p)
{
    p.setPen(Outline(QColor(0x15, 0x48, 0x8f), 1.2));
    for (qreal x : {5.0, 14.0}) {
        const QRectF bar(x, 4, 5, 16);
        p.setBrush(Vertical(bar, QColor(0x7f, 0xb4, 0xf2), QColor(0x1f, 0x5f, 0xb8)));
        p.drawRoundedRect(bar, 1.5, 1.5);
    }
}

void ToolDocument(QPainter& p)
{
    Page(p, QRectF(3.5, 1.5, 13, 19), true);
}

void ToolNew(QPainter& p)
{
    ToolDocument(p);
    Badge(p, QPointF(17.5, 17.5), 5.5, QColor(0x7e, 0xe0, 0x88), QColor(0x1e, 0x8e, 0x3e));
    p.setPen(Outline(QColor(255, 255, 255), 2));
    p.drawLine(QPointF(17.5, 14.6), QPointF(17.5, 20.4));
    p.drawLine(QPointF(14.6, 17.5), QPointF(20.4, 17.5));
}

void ToolDelete(QPainter& p)
{
    ToolDocument(p);
    Badge(p, QPointF(17.5, 17.5), 5.5, QColor(0xff, 0x8a, 0x80), QColor(0xc6, 0x28, 0x28));
    p.setPen(Outline(QColor(255, 255, 255), 2));
    p.drawLine(QPointF(15.4, 15.4), QPointF(19.6, 19.6));
    p.drawLine(QPointF(19.6, 15.4), QPointF(15.4, 19.6));
}

void ToolEdit(QPainter& p)
{
    ToolDocument(p);
    p.save();
    p.translate(15.5, 12.5);
    p.rotate(-45);
    const QRectF shaft(-7, -2.2, 12, 4.4);
    p.setPen(Outline(QColor(0x7a, 0x55, 0x00), 0.9));
    p.setBrush(Vertical(shaft, QColor(0xff, 0xd5, 0x4f), QColor(0xe0, 0x9a, 0x00)));
    p.drawRect(shaft);
    p.setBrush(QColor(0xf0, 0x8c, 0x9b));
    p.drawRect(QRectF(5, -2.2, 3, 4.4));
    QPainterPath tip;
    tip.moveTo(-7, -2.2);
    tip.lineTo(-11, 0);
    tip.lineTo(-7, 2.2);
    tip.closeSubpath();
    p.setBrush(QColor(0xf3, 0xd9, 0xa8));
    p.drawPath(tip);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x33, 0x33, 0x33));
    QPainterPath lead;
    lead.moveTo(-9.6, -0.8);
    lead.lineTo(-11, 0);
    lead.lineTo(-9.6, 0.8);
    lead.closeSubpath();
    p.drawPath(lead);
    p.restore();
}

void ToolPrint(QPainter& p)
{
    Printer(p, QRectF(1.5, 8.5, 21, 9), false);
}

void ToolTestMessage(QPainter& p)
{
    Envelope(p, QRectF(1, 6, 16, 11.5));
    QPainterPath bolt;
    bolt.moveTo(16.5, 1);
    bolt.lineTo(11.5, 12.5);
    bolt.lineTo(15.5, 12.5);
    bolt.lineTo(12.8, 23);
    bolt.lineTo(22.5, 9.5);
    bolt.lineTo(17.8, 9.5);
    bolt.lineTo(21, 1);
    bolt.closeSubpath();
    p.setPen(Outline(QColor(0x9a, 0x55, 0x00), 0.9));
    p.setBrush(Vertical(QRectF(11.5, 1, 11, 22), QColor(0xff, 0xe0, 0x4f), QColor(0xf0, 0x8c, 0x00)));
    p.drawPath(bolt);
}

bool DrawToolbarButton(QPainter& p, UINT command)
{
    switch (command) {
    case 3008: ToolConnect(p, true); return true;
    case 3009: ToolConnect(p, false); return true;
    case 3002: ToolStart(p); return true;
    case 3003: ToolStop(p); return true;
    case 3004: ToolPause(p); return true;
    case 3005: ToolNew(p); return true;
    case 3007: ToolDelete(p); return true;
    case 3006: ToolEdit(p); return true;
    case 3028: ToolPrint(p); return true;
    case 3035: ToolTestMessage(p); return true;
    default: return false;
    }
}

QImage RenderToolbarButton(QSize size, UINT command)
{
    QImage image = Canvas(size.width(), size.height());
    bool known = false;
    {
        QPainter p(&image);
        Begin(p);
        const qreal scale = std::min(size.width(), size.height()) / 24.0;
        p.translate((size.width() - 24 * scale) / 2, (size.height() - 24 * scale) / 2);
        p.scale(scale, scale);
        known = DrawToolbarButton(p, command);
    }
    return known ? image : QImage();
}

// ---- application icon, splash, cursor --------------------------------------------------------

// The application's sign: a bell ringing out, on a blue tile (designed on 64 x 64).
void DrawAppSign(QPainter& p, int pixels)
{
    const QRectF tile(2, 2, 60, 60);
    p.setPen(Outline(QColor(0x0d, 0x2f, 0x6b), 1.5));
    p.setBrush(Vertical(tile, QColor(0x3b, 0x82, 0xe6), QColor(0x12, 0x3e, 0x8a)));
    p.drawRoundedRect(tile, 13, 13);

    if (pixels > 24) {
        p.setPen(Outline(QColor(255, 255, 255, 200), 3.4));
        p.setBrush(Qt::NoBrush);
        const QPointF c(32, 31);
        for (qreal r : {20.0, 26.0}) {
            const QRectF box(c.x() - r, c.y() - r, 2 * r, 2 * r);
            p.drawArc(box, -28 * 16, 56 * 16);
            p.drawArc(box, 152 * 16, 56 * 16);
        }
    }

    QPainterPath bell;
    bell.moveTo(19, 44);
    bell.cubicTo(22, 40, 22, 34, 22, 28);
    bell.cubicTo(22, 20, 26.5, 15.5, 32, 15.5);
    bell.cubicTo(37.5, 15.5, 42, 20, 42, 28);
    bell.cubicTo(42, 34, 42, 40, 45, 44);
    bell.closeSubpath();
    const QColor rim(0x9a, 0x5b, 0x00);
    QLinearGradient gold(QPointF(20, 0), QPointF(44, 0));
    gold.setColorAt(0, QColor(0xf9, 0xb0, 0x18));
    gold.setColorAt(0.35, QColor(0xff, 0xe6, 0x8a));
    gold.setColorAt(1, QColor(0xe8, 0x96, 0x00));
    p.setPen(Outline(rim, 1.6));
    p.setBrush(gold);
    p.drawEllipse(QPointF(32, 50), 4.2, 4.2);
    p.drawPath(bell);
    p.drawRoundedRect(QRectF(17.5, 42.5, 29, 4.5), 2.2, 2.2);
    p.drawEllipse(QPointF(32, 13.5), 2.8, 2.8);
}

QImage RenderAppIcon(int pixels)
{
    QImage image = Canvas(pixels, pixels);
    {
        QPainter p(&image);
        Begin(p);
        p.scale(pixels / 64.0, pixels / 64.0);
        DrawAppSign(p, pixels);
    }
    return image;
}

void PaintSplash(QImage& image);

QImage RenderSplash()
{
    const QSize size(400, 200);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    PaintSplash(image);
    return image;
}

void PaintSplash(QImage& image)
{
    const QSize size = image.size();
    QPainter p(&image);
    Begin(p);
    QLinearGradient sky(QPointF(0, 0), QPointF(size.width(), size.height()));
    sky.setColorAt(0, QColor(0x0b, 0x24, 0x52));
    sky.setColorAt(1, QColor(0x1f, 0x5f, 0xb8));
    p.fillRect(image.rect(), sky);

    // quiet rings spreading from the sign
    p.setPen(Outline(QColor(255, 255, 255, 22), 2));
    p.setBrush(Qt::NoBrush);
    for (int r = 70; r < 420; r += 38)
        p.drawEllipse(QPointF(78, 100), r, r);

    p.save();
    p.translate(30, 52);
    p.scale(96 / 64.0, 96 / 64.0);
    DrawAppSign(p, 96);
    p.restore();

    QFont title(QStringLiteral("DejaVu Sans"));
    title.setPixelSize(46);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(255, 255, 255));
    p.drawText(QRectF(148, 52, 240, 56), Qt::AlignLeft | Qt::AlignVCenter, LoadString(IDS_FW_APP_TITLE));

    p.setPen(Outline(QColor(0xf9, 0xb0, 0x18), 2));
    p.drawLine(QPointF(150, 114), QPointF(372, 114));

    QFont subtitle(QStringLiteral("WenQuanYi Micro Hei"));
    subtitle.setPixelSize(16);
    p.setFont(subtitle);
    p.setPen(QColor(0xd6, 0xe6, 0xff));
    p.drawText(QRectF(150, 120, 240, 30), Qt::AlignLeft | Qt::AlignVCenter, LoadString(IDS_SPLASH_SUBTITLE));
}

void PaintResizeCursor(QImage& image)
{
    QPainter p(&image);
    Begin(p);
    QPainterPath shape;
    // a double bar with arrows to either side
    shape.addRect(QRectF(14, 6, 1.5, 20));
    shape.addRect(QRectF(16.5, 6, 1.5, 20));
    QPainterPath left;
    left.moveTo(5, 16);
    left.lineTo(10, 11);
    left.lineTo(10, 14.5);
    left.lineTo(13, 14.5);
    left.lineTo(13, 17.5);
    left.lineTo(10, 17.5);
    left.lineTo(10, 21);
    left.closeSubpath();
    QTransform mirror;
    mirror.translate(32, 0);
    mirror.scale(-1, 1);
    shape = shape.united(left).united(mirror.map(left));
    p.setPen(Outline(QColor(255, 255, 255), 2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shape);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0));
    p.drawPath(shape);
}

QImage RenderResizeCursor()
{
    QImage image = Canvas(32, 32);
    PaintResizeCursor(image);
    return image;
}

// The made pictures, kept for the life of the process.
QHash<quint64, QPixmap>& Cache()
{
    static QHash<quint64, QPixmap> cache;
    return cache;
}

template <typename Make>
QPixmap Cached(quint64 key, Make make)
{
    auto& cache = Cache();
    const auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return *it;
    const QImage image = make();
    const QPixmap pixmap = image.isNull() ? QPixmap() : QPixmap::fromImage(image);
    cache.insert(key, pixmap);
    return pixmap;
}

constexpr quint64 Key(quint32 kind, quint32 a, quint32 b = 0)
{
    return (quint64(kind) << 56) | (quint64(a) << 24) | quint64(b);
}

enum KeyKind : quint32 { kTree = 1, kTool, kBitmap, kIcon };

QImage Strip(const std::vector<QPixmap>& cells, QSize cell)
{
    QImage strip = Canvas(cell.width() * int(cells.size()), cell.height());
    {
        QPainter p(&strip);
        for (size_t i = 0; i < cells.size(); ++i)
            p.drawPixmap(int(i) * cell.width(), 0, cells[i]);
    }
    return strip;
}

} // namespace

namespace Res {

int TreeImageCount()
{
    return IMG_COUNT;
}

QPixmap TreeImage(int list, int index)
{
    if ((list != 0 && list != 1) || index < 0 || index >= IMG_COUNT)
        return {};
    return Cached(Key(kTree, quint32(list), quint32(index)), [&] { return RenderTreeImage(list, index); });
}

QPixmap ToolbarImage(UINT toolbarId, UINT command)
{
    const QSize size = ToolbarButtonSize(toolbarId);
    if (size.isEmpty() || command == 0)
        return {};
    const std::vector<UINT> commands = ToolbarCommands(toolbarId);
    if (std::find(commands.begin(), commands.end(), command) == commands.end())
        return {};
    return Cached(Key(kTool, toolbarId, command), [&] { return RenderToolbarButton(size, command); });
}

QPixmap Bitmap(UINT id)
{
    switch (id) {
    case IDB_TREE_IMAGES:
    case IDB_TREE_IMAGES_SELECTED:
        return Cached(Key(kBitmap, id), [id] {
            std::vector<QPixmap> cells;
            for (int i = 0; i < IMG_COUNT; ++i)
                cells.push_back(TreeImage(id == IDB_TREE_IMAGES ? 0 : 1, i));
            return Strip(cells, QSize(kTreeCell, kTreeCell));
        });
    case IDR_TOOLBAR_SMALL:
    case IDR_TOOLBAR_LARGE:
        return Cached(Key(kBitmap, id), [id] {
            std::vector<QPixmap> cells;
            for (UINT command : ToolbarCommands(id))
                if (command != 0)
                    cells.push_back(ToolbarImage(id, command));
            return Strip(cells, ToolbarButtonSize(id));
        });
    case IDB_SPLASH:
        return Cached(Key(kBitmap, id), RenderSplash);
    default:
        return {};
    }
}

QIcon Icon(UINT id)
{
    if (id != IDR_MAINFRAME)
        return {};
    QIcon icon;
    for (int pixels : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(Cached(Key(kIcon, id, quint32(pixels)), [pixels] { return RenderAppIcon(pixels); }));
    return icon;
}

QCursor Cursor(UINT id)
{
    if (id != IDC_COLUMN_RESIZE)
        return QCursor(Qt::SplitHCursor);
    return QCursor(Cached(Key(kBitmap, id), RenderResizeCursor), 16, 16);
}

} // namespace Res
