#pragma once

#include <QString>
#include <stdexcept>

// A failure the program reports to the user: its text is what the standard error box shows.
class EError : public std::runtime_error {
public:
    explicit EError(const QString &Text) : std::runtime_error(Text.toStdString()), FText(Text) {}
    QString Text() const { return FText; }

private:
    QString FText;
};
