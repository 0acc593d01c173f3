#include "LineLabel.h"

#include <QPainter>
#include <QStyle>

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

void TLineLabel::paintEvent(QPaintEvent *) {
    QPainter Painter(this);
    int Flags = Qt::AlignLeft | Qt::AlignTop;
    if (wordWrap())
        Flags |= Qt::TextWordWrap;
    style()->drawItemText(&Painter, contentsRect(), Flags, palette(), isEnabled(),
                          DisplayText(text()), foregroundRole());
}
