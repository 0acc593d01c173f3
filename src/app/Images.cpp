#include "Images.h"

#include <QApplication>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <QStyle>
#include <QStyleOption>

#include "ProgramIconPainting.h"
#include <functional>

namespace {

// Draws an icon when it is first asked for, once for each size and mode. The program makes its
// icons at start-up, before the tray icon can appear; most of them are seen only when a menu or
// a page is opened, if ever.
class TPaintedIconEngine : public QIconEngine {
public:
    using TPaint = std::function<void(QPainter &Painter, int Size)>;

    // Paint draws a square of Size pixels. With a fixed DesignSize the icon is drawn at that size
    // only and never enlarged, like an icon made from one pixmap; otherwise at the size asked.
    TPaintedIconEngine(TPaint Paint, QList<QSize> Sizes, int DesignSize)
        : FPaint(std::move(Paint)), FSizes(std::move(Sizes)), FDesignSize(DesignSize) {}

    QSize actualSize(const QSize &Size, QIcon::Mode, QIcon::State) override {
        const int Side = std::min(Size.width(), Size.height());
        return QSize(std::min(Side, Limit()), std::min(Side, Limit()));
    }
    QPixmap pixmap(const QSize &Size, QIcon::Mode Mode, QIcon::State State) override {
        const QSize Actual = actualSize(Size, Mode, State);
        if (Actual.isEmpty())
            return QPixmap();
        const QString Key = QString("%1:%2").arg(Actual.width()).arg(int(Mode));
        if (const auto It = FCache.constFind(Key); It != FCache.constEnd())
            return *It;
        const int Side = FDesignSize > 0 ? FDesignSize : Actual.width();
        QPixmap Pix(Side, Side);
        Pix.fill(Qt::transparent);
        {
            QPainter P(&Pix);
            P.setRenderHint(QPainter::Antialiasing);
            FPaint(P, Side);
        }
        if (Side != Actual.width())
            Pix = Pix.scaled(Actual, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        if (Mode != QIcon::Normal && Mode != QIcon::Active)
            if (const QStyle *Style = QApplication::style()) {
                QStyleOption Option;
                Option.palette = QApplication::palette();
                Pix = Style->generatedIconPixmap(Mode, Pix, &Option);
            }
        FCache.insert(Key, Pix);
        return Pix;
    }
    void paint(QPainter *Painter, const QRect &Rect, QIcon::Mode Mode,
               QIcon::State State) override {
        const QPixmap Pix = pixmap(Rect.size(), Mode, State);
        const QSize Size = Pix.size();
        Painter->drawPixmap(QRect(Rect.topLeft() + QPoint((Rect.width() - Size.width()) / 2,
                                                          (Rect.height() - Size.height()) / 2),
                                  Size),
                            Pix);
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override { return FSizes; }
    bool isNull() override { return false; }
    QString key() const override { return "painted"; }
    QIconEngine *clone() const override { return new TPaintedIconEngine(*this); }

private:
    int Limit() const { return FDesignSize > 0 ? FDesignSize : 256; }

    TPaint FPaint;
    QList<QSize> FSizes;
    int FDesignSize;
    QHash<QString, QPixmap> FCache;
};

enum TGlyph { Add, Delete, Post, Cancel, Refresh, First, Prior, Next, Last, Dot, Dot2, Edit };

void DrawGlyph(QPainter &P, int Glyph, bool Grey) {
    const auto Colour = [Grey](QColor C) { return Grey ? QColor(150, 150, 150) : C; };
    const QColor Blue = Colour(QColor(30, 90, 190));
    QPen Pen(Blue, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    const auto Triangle = [&](qreal X, bool Left) {
        QPolygonF T;
        if (Left)
            T << QPointF(X + 5, 3) << QPointF(X, 8) << QPointF(X + 5, 13);
        else
            T << QPointF(X, 3) << QPointF(X + 5, 8) << QPointF(X, 13);
        P.setPen(Qt::NoPen);
        P.setBrush(Blue);
        P.drawPolygon(T);
    };
    switch (Glyph) {
    case Add:
        P.setPen(QPen(Colour(QColor(20, 150, 40)), 3, Qt::SolidLine, Qt::RoundCap));
        P.drawLine(QPointF(8, 3), QPointF(8, 13));
        P.drawLine(QPointF(3, 8), QPointF(13, 8));
        break;
    case Delete:
        P.setPen(QPen(Colour(QColor(200, 30, 30)), 3, Qt::SolidLine, Qt::RoundCap));
        P.drawLine(QPointF(3, 8), QPointF(13, 8));
        break;
    case Post:
        P.setPen(QPen(Colour(QColor(20, 150, 40)), 2.5, Qt::SolidLine, Qt::RoundCap));
        P.drawPolyline(QPolygonF() << QPointF(3, 8) << QPointF(7, 12) << QPointF(13, 4));
        break;
    case Cancel:
        P.setPen(QPen(Colour(QColor(200, 30, 30)), 2.5, Qt::SolidLine, Qt::RoundCap));
        P.drawLine(QPointF(4, 4), QPointF(12, 12));
        P.drawLine(QPointF(12, 4), QPointF(4, 12));
        break;
    case Refresh: {
        P.setPen(Pen);
        P.drawArc(QRectF(3, 3, 10, 10), 60 * 16, 280 * 16);
        Triangle(9, false);
        break;
    }
    case First:
        P.fillRect(QRectF(3, 3, 2, 10), Blue);
        Triangle(6, true);
        break;
    case Prior:
        Triangle(5, true);
        break;
    case Next:
        Triangle(6, false);
        break;
    case Last:
        Triangle(5, false);
        P.fillRect(QRectF(11, 3, 2, 10), Blue);
        break;
    case Edit:
        P.setPen(QPen(Colour(QColor(160, 110, 20)), 3, Qt::SolidLine, Qt::FlatCap));
        P.drawLine(QPointF(4, 12), QPointF(12, 4));
        P.setPen(QPen(Blue, 1));
        P.drawLine(QPointF(2, 14), QPointF(5, 14));
        break;
    default:
        P.setPen(Qt::NoPen);
        P.setBrush(Blue);
        P.drawEllipse(QRectF(5, 5, 6, 6));
        break;
    }
}

} // namespace

QIcon ProgramIcon() {
    static const QIcon Icon(new TPaintedIconEngine(
        &PaintProgramIcon,
        {QSize(16, 16), QSize(22, 22), QSize(32, 32), QSize(48, 48), QSize(64, 64)}, 0));
    return Icon;
}

QList<QIcon> CreateImageList() {
    QList<QIcon> List;
    for (int I = 0; I < 40; ++I) {
        const int Glyph = I / 2;
        const bool Grey = I % 2 == 1;
        List.append(QIcon(new TPaintedIconEngine(
            [Glyph, Grey](QPainter &P, int) { DrawGlyph(P, Glyph, Grey); }, {QSize(16, 16)}, 16)));
    }
    return List;
}
