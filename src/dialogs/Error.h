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

// A failure whose cause the user has been told of already (a settings file refused, say): it
// ends what it interrupts like any failure, but shows no box of its own, so that one cause
// makes one message.
class EReported : public EError {
public:
    using EError::EError;
};
