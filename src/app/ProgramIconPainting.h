#pragma once

#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

// The program's icon at Size pixels: drawn by the running program (ProgramIcon) and, once per
// change of design, into the PNG files of the installed tree (scripts/icons/make-icons.cpp).
inline void PaintProgramIcon(QPainter &P, int Size) {
    const qreal S = Size;
    // A clear sky over a river: the meaning of the program's name.
    QLinearGradient Sky(0, 0, 0, S);
    Sky.setColorAt(0, QColor(70, 150, 235));
    Sky.setColorAt(1, QColor(20, 90, 180));
    P.setPen(Qt::NoPen);
    P.setBrush(Sky);
    P.drawRoundedRect(QRectF(0.5, 0.5, S - 1, S - 1), S / 5, S / 5);
    P.setBrush(QColor(255, 210, 60));
    P.drawEllipse(QPointF(S * 0.68, S * 0.32), S * 0.16, S * 0.16);
    QPainterPath River;
    River.moveTo(0, S * 0.72);
    River.cubicTo(S * 0.3, S * 0.58, S * 0.6, S * 0.88, S, S * 0.70);
    River.lineTo(S, S * 0.84);
    River.cubicTo(S * 0.6, S, S * 0.3, S * 0.72, 0, S * 0.86);
    River.closeSubpath();
    P.setBrush(QColor(255, 255, 255, 220));
    P.drawPath(River);
}
