#include "LineLabel.h"

#include <QPainter>
#include <QStyle>
#include <algorithm>

TLineLabel::TLineLabel(const QString &Text, QWidget *Parent) : QLabel(Text, Parent) {
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

QString TLineLabel::DisplayText(const QString &Text) {
    QString Result = Text;
    Result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    Result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return Result;
}

int TLineLabel::Flags() const {
    return Qt::AlignLeft | Qt::AlignTop | (wordWrap() ? Qt::TextWordWrap : 0);
}

int TLineLabel::TextHeight() const {
    const QRect Room(0, 0, contentsRect().width(), 100000);
    return fontMetrics().boundingRect(Room, Flags(), DisplayText(text())).height() +
           (height() - contentsRect().height());
}

void TLineLabel::FitHeight(int MinHeight) {
    resize(width(), std::max(MinHeight, TextHeight()));
}

void TLineLabel::paintEvent(QPaintEvent *) {
    QPainter Painter(this);
    style()->drawItemText(&Painter, contentsRect(), Flags(), palette(), isEnabled(),
                          DisplayText(text()), foregroundRole());
}
