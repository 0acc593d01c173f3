#pragma once

#include <QDateTime>
#include <chrono>

// Where the scheduler, the reminder windows and the task pages read the time from. The program
// uses the system's clocks; tests hand in one they set themselves.
class TClock {
public:
    virtual ~TClock() = default;
    // The current local date and time, in the zone the program lives in (a QDateTime of local
    // time, or of a named zone): its moment and its offset from UTC both count.
    virtual QDateTime Now() const = 0;
    // Milliseconds on a clock that goes on steadily whatever is done to the time of day (set back,
    // another zone, summer time): a process frozen for a while sees the time it lost here even
    // when the time of day was set back meanwhile. A clock that has only Now counts its moment.
    virtual qint64 ElapsedMs() const { return Now().toMSecsSinceEpoch(); }
};

class TSystemClock final : public TClock {
public:
    QDateTime Now() const override { return QDateTime::currentDateTime(); }
    qint64 ElapsedMs() const override {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
};
