#include "Glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>

namespace platform::glyphs {
namespace {

constexpr QColor Ink(0x22, 0x3a, 0x5e);
constexpr QColor Stop(0xc6, 0x28, 0x28);
constexpr QColor Go(0x2e, 0x8b, 0x3a);

QPen pen(const QColor& c, qreal w = 2.0) {
    return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void strike(QPainter& p) {
    p.setPen(pen(Stop, 2.4));
    p.drawLine(QPointF(5, 27), QPointF(27, 5));
}

void draw(QPainter& p, Glyph g) {
    p.setPen(pen(Ink));
    p.setBrush(Qt::NoBrush);
    switch (g) {
    case Glyph::Start: {
        QPainterPath tri;
        tri.moveTo(10, 6);
        tri.lineTo(26, 16);
        tri.lineTo(10, 26);
        tri.closeSubpath();
        p.fillPath(tri, Go);
        break;
    }
    case Glyph::Connect:
    case Glyph::Disconnect:
        p.drawRoundedRect(QRectF(9, 10, 14, 10), 2, 2);
        p.drawLine(QPointF(13, 10), QPointF(13, 5));
        p.drawLine(QPointF(19, 10), QPointF(19, 5));
        p.drawLine(QPointF(16, 20), QPointF(16, 27));
        if (g == Glyph::Disconnect)
            strike(p);
        else
            p.fillRect(QRectF(11, 12, 10, 6), Go);
        break;
    case Glyph::Away: {
        QPainterPath moon;
        moon.addEllipse(QPointF(16, 16), 10, 10);
        QPainterPath bite;
        bite.addEllipse(QPointF(21, 12), 9, 9);
        p.fillPath(moon.subtracted(bite), QColor(0xe0, 0xa8, 0x20));
        break;
    }
    case Glyph::MicMute:
        p.drawRoundedRect(QRectF(12, 4, 8, 14), 4, 4);
        p.drawArc(QRectF(8, 8, 16, 16), 200 * 16, 140 * 16);
        p.drawLine(QPointF(16, 24), QPointF(16, 28));
        strike(p);
        break;
    case Glyph::SoundMute: {
        QPainterPath spk;
        spk.moveTo(5, 12);
        spk.lineTo(10, 12);
        spk.lineTo(17, 6);
        spk.lineTo(17, 26);
        spk.lineTo(10, 20);
        spk.lineTo(5, 20);
        spk.closeSubpath();
        p.fillPath(spk, Ink);
        p.drawArc(QRectF(14, 10, 10, 12), -60 * 16, 120 * 16);
        strike(p);
        break;
    }
    case Glyph::NoWhisper:
        p.drawArc(QRectF(9, 4, 14, 16), 0, 200 * 16);
        p.drawLine(QPointF(23, 12), QPointF(17, 26));
        p.drawLine(QPointF(17, 26), QPointF(12, 24));
        strike(p);
        break;
    case Glyph::ChannelCommander: {
        QPainterPath star;
        for (int i = 0; i < 10; ++i) {
            const double r = (i % 2) ? 5.0 : 12.0;
            const double a = -M_PI / 2 + i * M_PI / 5;
            const QPointF pt(16 + r * std::cos(a), 17 + r * std::sin(a));
            i ? star.lineTo(pt) : star.moveTo(pt);
        }
        star.closeSubpath();
        p.fillPath(star, QColor(0xe0, 0xa8, 0x20));
        break;
    }
    case Glyph::Settings:
        p.setPen(pen(Ink, 3.5));
        for (int i = 0; i < 8; ++i) {
            const double a = i * M_PI / 4;
            p.drawLine(QPointF(16 + 8 * std::cos(a), 16 + 8 * std::sin(a)),
                       QPointF(16 + 12 * std::cos(a), 16 + 12 * std::sin(a)));
        }
        p.setPen(pen(Ink, 2.5));
        p.drawEllipse(QPointF(16, 16), 7.5, 7.5);
        break;
    case Glyph::Exit:
        p.setPen(pen(Stop, 2.6));
        p.drawArc(QRectF(6, 6, 20, 20), 120 * 16, 300 * 16);
        p.drawLine(QPointF(16, 4), QPointF(16, 15));
        break;
    case Glyph::Kick:
        p.drawRect(QRectF(6, 5, 12, 22));
        p.setPen(pen(Stop, 2.4));
        p.drawLine(QPointF(12, 16), QPointF(28, 16));
        p.drawLine(QPointF(23, 11), QPointF(28, 16));
        p.drawLine(QPointF(23, 21), QPointF(28, 16));
        break;
    case Glyph::Statistics:
        p.fillRect(QRectF(6, 18, 5, 9), Ink);
        p.fillRect(QRectF(13.5, 11, 5, 16), Ink);
        p.fillRect(QRectF(21, 6, 5, 21), Go);
        break;
    case Glyph::TakeOver: {
        QPainterPath arrow;
        arrow.moveTo(4, 12);
        arrow.lineTo(17, 12);
        arrow.lineTo(17, 6);
        arrow.lineTo(28, 16);
        arrow.lineTo(17, 26);
        arrow.lineTo(17, 20);
        arrow.lineTo(4, 20);
        arrow.closeSubpath();
        p.fillPath(arrow, Go);
        break;
    }
    case Glyph::Clear:
        p.setPen(pen(Stop, 3.0));
        p.drawLine(QPointF(8, 8), QPointF(24, 24));
        p.drawLine(QPointF(24, 8), QPointF(8, 24));
        break;
    case Glyph::Block: {
        QPainterPath oct;
        for (int i = 0; i < 8; ++i) {
            const double a = M_PI / 8 + i * M_PI / 4;
            const QPointF pt(16 + 13 * std::cos(a), 16 + 13 * std::sin(a));
            i ? oct.lineTo(pt) : oct.moveTo(pt);
        }
        oct.closeSubpath();
        p.fillPath(oct, Stop);
        p.fillRect(QRectF(8, 14, 16, 4), Qt::white);
        break;
    }
    case Glyph::Idle: {
        QFont f = p.font();
        f.setPixelSize(15);
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRectF(2, 2, 28, 28), Qt::AlignCenter, QStringLiteral("zz"));
        break;
    }
    case Glyph::Keypad:
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 3; ++c)
                p.fillRect(QRectF(7 + c * 7, 4 + r * 7, 5, 5), Ink);
        }
        break;
    case Glyph::Apply:
        p.setPen(pen(Go, 3.2));
        p.drawPolyline(QPolygonF({QPointF(6, 17), QPointF(13, 24), QPointF(26, 8)}));
        break;
    case Glyph::Page:
        p.drawRect(QRectF(8, 4, 16, 24));
        p.drawLine(QPointF(12, 11), QPointF(20, 11));
        p.drawLine(QPointF(12, 16), QPointF(20, 16));
        p.drawLine(QPointF(12, 21), QPointF(20, 21));
        break;
    case Glyph::Link:
        p.drawRoundedRect(QRectF(4, 11, 14, 10), 5, 5);
        p.drawRoundedRect(QRectF(14, 11, 14, 10), 5, 5);
        break;
    case Glyph::Error:
        p.setBrush(QColor(0xe0, 0xa8, 0x20));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(16, 16), 13, 13);
        p.fillRect(QRectF(14.5, 8, 3, 11), Qt::black);
        p.fillRect(QRectF(14.5, 21.5, 3, 3), Qt::black);
        break;
    }
}

} // namespace

QIcon icon(Glyph glyph) {
    QIcon result;
    for (int size : {16, 24, 32, 48}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 32.0, size / 32.0);
        draw(p, glyph);
        p.end();
        result.addPixmap(pm);
    }
    return result;
}

} // namespace platform::glyphs
