#include "gui/Glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QPixmap DrawGlyph(const QString& symbol, const QColor& color, int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF tile(size * 0.04, size * 0.04, size * 0.92, size * 0.92);
    QLinearGradient fill(tile.topLeft(), tile.bottomLeft());
    fill.setColorAt(0, color.lighter(118));
    fill.setColorAt(1, color.darker(112));
    p.setPen(QPen(color.darker(135), qMax(1.0, size / 32.0)));
    p.setBrush(fill);
    p.drawRoundedRect(tile, size * 0.2, size * 0.2);
    p.setPen(QPen(Qt::white, qMax(1.5, size / 14.0)));
    if (symbol == QLatin1String("dup")) {
        const qreal s = size * 0.36;
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(size * 0.22, size * 0.22, s, s), size * 0.05, size * 0.05);
        p.setBrush(color);
        p.drawRoundedRect(QRectF(size * 0.42, size * 0.42, s, s), size * 0.05, size * 0.05);
        return pm;
    }
    QFont font;
    font.setBold(true);
    font.setPixelSize(int(size * (symbol.size() > 1 ? 0.46 : 0.6)));
    p.setFont(font);
    p.drawText(tile, Qt::AlignCenter, symbol);
    return pm;
}

} // namespace

QIcon GlyphIcon(const QString& symbol, const QColor& color) {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 96})
        icon.addPixmap(DrawGlyph(symbol, color, size));
    return icon;
}

QIcon ThemeIconOr(const char* name, const QIcon& fallback) {
    return QIcon::fromTheme(QString::fromLatin1(name), fallback);
}

QIcon AppIcon() {
    // The icons sit in this static library; nothing else would pull them into the program.
    Q_INIT_RESOURCE(Icons);
    QIcon built;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        built.addFile(QStringLiteral(":/icons/%1/org.orvane.Sonvale.png").arg(size),
                      QSize(size, size));
    return QIcon::fromTheme(QStringLiteral("org.orvane.Sonvale"), built);
}
