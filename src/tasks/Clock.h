#pragma once

#include <QDateTime>

// Where the scheduler and the task pages read the time from. The program uses the system's
// clock; tests hand in one they set themselves.
class TClock {
public:
    virtual ~TClock() = default;
    // The current local date and time.
    virtual QDateTime Now() const = 0;
};

class TSystemClock final : public TClock {
public:
    QDateTime Now() const override { return QDateTime::currentDateTime(); }
};
