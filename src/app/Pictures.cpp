#include "app/Pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <array>

namespace app {

namespace {

QPixmap TransparentPixmap(QSize aSize) {
    QPixmap pixmap(aSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A letter: body, flap and the two lower folds, drawn in the given pen.
void PaintEnvelope(QPainter& aPainter, const QRectF& aRect, const QColor& aFill, const QPen& aPen) {
    aPainter.setPen(aPen);
    aPainter.setBrush(aFill);
    aPainter.drawRect(aRect);
    QPainterPath flap;
    flap.moveTo(aRect.topLeft());
    flap.lineTo(aRect.center().x(), aRect.top() + aRect.height() * 0.58);
    flap.lineTo(aRect.topRight());
    aPainter.setBrush(Qt::NoBrush);
    aPainter.drawPath(flap);
}

// One client: its colour, and whether it carries a wing (the bird client) or a plus badge.
struct TClientLook {
    QColor Light;
    QColor Dark;
};

const std::array<TClientLook, 4> ClientLooks = {{
    {QColor(0x5a, 0xb4, 0xf0), QColor(0x1d, 0x7c, 0xc8)}, // the classic client
    {QColor(0x3f, 0x74, 0xc9), QColor(0x14, 0x3e, 0x8c)}, // the office client
    {QColor(0x4c, 0xc4, 0x96), QColor(0x18, 0x86, 0x5e)}, // the system's own clients
    {QColor(0x8c, 0x74, 0xd6), QColor(0x4e, 0x35, 0x9c)}, // the bird client
}};

void PaintClientTile(QPainter& aPainter, const TClientLook& aLook, qreal aSize) {
    QLinearGradient fill(0, 0, 0, aSize);
    fill.setColorAt(0, aLook.Light);
    fill.setColorAt(1, aLook.Dark);
    aPainter.setPen(QPen(aLook.Dark.darker(130), aSize / 32.0));
    aPainter.setBrush(fill);
    const qreal inset = aSize / 32.0;
    aPainter.drawRoundedRect(QRectF(inset, inset, aSize - 2 * inset, aSize - 2 * inset),
                             aSize / 6.0, aSize / 6.0);
    const QRectF letter(aSize * 0.2, aSize * 0.3, aSize * 0.6, aSize * 0.42);
    PaintEnvelope(aPainter, letter, Qt::white, QPen(aLook.Dark, qMax(1.0, aSize / 20.0)));
}

void PaintWing(QPainter& aPainter, qreal aSize) {
    QPainterPath wing;
    wing.moveTo(aSize * 0.52, aSize * 0.62);
    wing.cubicTo(aSize * 0.62, aSize * 0.38, aSize * 0.82, aSize * 0.30, aSize * 0.94,
                 aSize * 0.34);
    wing.cubicTo(aSize * 0.84, aSize * 0.46, aSize * 0.74, aSize * 0.58, aSize * 0.52,
                 aSize * 0.62);
    aPainter.setPen(Qt::NoPen);
    aPainter.setBrush(QColor(0xff, 0xc8, 0x3c));
    aPainter.drawPath(wing);
}

void PaintNewAccount(QPainter& aPainter, qreal aSize) {
    const QRectF letter(aSize * 0.06, aSize * 0.2, aSize * 0.7, aSize * 0.5);
    PaintEnvelope(aPainter, letter, QColor(0xf4, 0xf6, 0xf9),
                  QPen(QColor(0x6b, 0x7a, 0x8c), qMax(1.0, aSize / 20.0)));
    const QRectF badge(aSize * 0.5, aSize * 0.46, aSize * 0.5, aSize * 0.5);
    aPainter.setPen(QPen(QColor(0x1e, 0x7d, 0x32), qMax(1.0, aSize / 32.0)));
    aPainter.setBrush(QColor(0x3c, 0xb0, 0x4b));
    aPainter.drawEllipse(badge);
    aPainter.setPen(QPen(Qt::white, qMax(1.5, aSize / 9.0), Qt::SolidLine, Qt::FlatCap));
    const QPointF c = badge.center();
    const qreal arm = badge.width() * 0.28;
    aPainter.drawLine(QPointF(c.x() - arm, c.y()), QPointF(c.x() + arm, c.y()));
    aPainter.drawLine(QPointF(c.x(), c.y() - arm), QPointF(c.x(), c.y() + arm));
}

} // namespace

QPixmap BannerPicture(QSize aSize) {
    QPixmap pixmap(aSize);
    const qreal w = aSize.width();
    const qreal h = aSize.height();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, w, 0);
    sky.setColorAt(0.0, QColor(0x0b, 0x2e, 0x66));
    sky.setColorAt(0.5, QColor(0x1f, 0x6f, 0xc5));
    sky.setColorAt(0.82, QColor(0xd6, 0xe6, 0xf7));
    sky.setColorAt(1.0, Qt::white);
    painter.fillRect(QRectF(0, 0, w, h), sky);

    // Two soft swells across the banner.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 28));
    painter.drawEllipse(QRectF(w * 0.18, h * 0.45, w * 0.7, h * 1.4));
    painter.setBrush(QColor(255, 255, 255, 18));
    painter.drawEllipse(QRectF(w * 0.35, -h * 0.9, w * 0.5, h * 1.3));

    PaintEnvelope(painter, QRectF(22, h / 2 - 15, 44, 30), QColor(255, 255, 255, 40),
                  QPen(Qt::white, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));

    QFont brand(QStringLiteral("Arial"));
    brand.setPixelSize(26);
    brand.setBold(true);
    painter.setFont(brand);
    painter.setPen(Qt::white);
    const QRectF text(82, 0, w - 82, h);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Quenlix"));
    const qreal brandWidth = painter.fontMetrics().horizontalAdvance(QStringLiteral("Quenlix "));
    brand.setBold(false);
    painter.setFont(brand);
    painter.setPen(QColor(0xbf, 0xdc, 0xff));
    painter.drawText(text.adjusted(brandWidth, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("mail"));
    return pixmap;
}

QPixmap RulePicture(int aWidth) {
    QPixmap pixmap(aWidth, 1);
    QPainter painter(&pixmap);
    QLinearGradient line(0, 0, aWidth, 0);
    line.setColorAt(0.0, QColor(0x9a, 0xae, 0xc6));
    line.setColorAt(0.5, QColor(0xb8, 0xc4, 0xd2));
    line.setColorAt(1.0, QColor(0xd0, 0xd0, 0xd0));
    painter.fillRect(QRect(0, 0, aWidth, 1), line);
    return pixmap;
}

QPixmap WelcomePicture(QSize aSize) {
    QPixmap pixmap = TransparentPixmap(aSize);
    const qreal s = qMin(aSize.width(), aSize.height());
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);

    QRadialGradient glow(QPointF(s * 0.5, s * 0.5), s * 0.5);
    glow.setColorAt(0.0, QColor(0xe3, 0xef, 0xfb));
    glow.setColorAt(1.0, QColor(0xe3, 0xef, 0xfb, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(glow);
    painter.drawEllipse(QRectF(0, 0, s, s));

    // A screen on its stand.
    painter.setBrush(QColor(0x9a, 0xa8, 0xb8));
    painter.drawRect(QRectF(s * 0.42, s * 0.66, s * 0.16, s * 0.1));
    painter.drawRoundedRect(QRectF(s * 0.3, s * 0.75, s * 0.4, s * 0.05), 3, 3);
    painter.setPen(QPen(QColor(0x2c, 0x3e, 0x55), s / 70.0));
    painter.setBrush(QColor(0x3a, 0x50, 0x6b));
    painter.drawRoundedRect(QRectF(s * 0.14, s * 0.22, s * 0.72, s * 0.46), s / 30.0, s / 30.0);
    QLinearGradient screen(0, s * 0.25, 0, s * 0.65);
    screen.setColorAt(0, QColor(0xf7, 0xfb, 0xff));
    screen.setColorAt(1, QColor(0xc9, 0xdf, 0xf5));
    painter.setPen(Qt::NoPen);
    painter.setBrush(screen);
    painter.drawRect(QRectF(s * 0.18, s * 0.26, s * 0.64, s * 0.38));

    // The letter coming in, with its trail.
    painter.setPen(QPen(QColor(0x1f, 0x6f, 0xc5, 120), s / 90.0, Qt::DashLine, Qt::RoundCap));
    for (int i = 0; i < 3; ++i) {
        const qreal y = s * (0.34 + i * 0.06);
        painter.drawLine(QPointF(s * 0.02, y + s * 0.1), QPointF(s * 0.24, y));
    }
    painter.save();
    painter.translate(s * 0.5, s * 0.44);
    painter.rotate(-8);
    PaintEnvelope(
        painter, QRectF(-s * 0.2, -s * 0.13, s * 0.4, s * 0.26), Qt::white,
        QPen(QColor(0x1f, 0x6f, 0xc5), s / 60.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.restore();

    // A green tick: the account is ready.
    const QRectF badge(s * 0.66, s * 0.52, s * 0.22, s * 0.22);
    painter.setPen(QPen(Qt::white, s / 60.0));
    painter.setBrush(QColor(0x3c, 0xb0, 0x4b));
    painter.drawEllipse(badge);
    QPainterPath tick;
    tick.moveTo(badge.left() + badge.width() * 0.27, badge.top() + badge.height() * 0.52);
    tick.lineTo(badge.left() + badge.width() * 0.44, badge.top() + badge.height() * 0.69);
    tick.lineTo(badge.left() + badge.width() * 0.74, badge.top() + badge.height() * 0.34);
    painter.setPen(QPen(Qt::white, s / 40.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(tick);
    return pixmap;
}

QPixmap ClientPicture(int aIndex, int aSize) {
    if (aIndex < 0 || aIndex >= ClientIconCount || aSize <= 0) {
        return QPixmap();
    }
    QPixmap pixmap = TransparentPixmap(QSize(aSize, aSize));
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    if (aIndex == ciNewAccount) {
        PaintNewAccount(painter, aSize);
        return pixmap;
    }
    PaintClientTile(painter, ClientLooks[static_cast<std::size_t>(aIndex)], aSize);
    if (aIndex == ciThunderbird) {
        PaintWing(painter, aSize);
    }
    return pixmap;
}

QIcon ClientIcon(int aIndex) {
    QIcon icon;
    for (int size : {16, 32}) {
        const QPixmap picture = ClientPicture(aIndex, size);
        if (!picture.isNull()) {
            icon.addPixmap(picture);
        }
    }
    return icon;
}

QPixmap FailurePicture(int aSize) {
    QPixmap pixmap = TransparentPixmap(QSize(aSize, aSize));
    const qreal s = aSize;
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QRadialGradient fill(QPointF(s * 0.4, s * 0.35), s * 0.6);
    fill.setColorAt(0, QColor(0xf2, 0x5c, 0x4f));
    fill.setColorAt(1, QColor(0xc0, 0x24, 0x1c));
    painter.setPen(QPen(QColor(0x9c, 0x1b, 0x14), qMax(1.0, s / 32.0)));
    painter.setBrush(fill);
    painter.drawEllipse(QRectF(s * 0.04, s * 0.04, s * 0.92, s * 0.92));
    painter.setPen(QPen(Qt::white, s / 8.0, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(s * 0.33, s * 0.33), QPointF(s * 0.67, s * 0.67));
    painter.drawLine(QPointF(s * 0.67, s * 0.33), QPointF(s * 0.33, s * 0.67));
    return pixmap;
}

} // namespace app
