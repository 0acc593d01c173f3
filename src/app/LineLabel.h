#pragma once

#include <QLabel>

// A label whose text may break its lines with CR alone as well as with CR LF or LF. QLabel
// draws a lone CR on the same line; this one keeps the text exactly as given (text() returns it
// unchanged) and breaks the drawn lines there.
class TLineLabel : public QLabel {
    Q_OBJECT
public:
    explicit TLineLabel(const QString &Text, QWidget *Parent = nullptr);
    // The text as drawn: every CR LF and lone CR turned into a line feed.
    static QString DisplayText(const QString &Text);
    // The height the drawn text needs at the label's width.
    int TextHeight() const;
    // Grows the label downwards when its text needs more room than MinHeight, so no line is cut.
    void FitHeight(int MinHeight);

protected:
    void paintEvent(QPaintEvent *Event) override;

private:
    int Flags() const;
};
