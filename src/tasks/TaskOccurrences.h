#pragma once

#include <QString>
#include <deque>
#include <set>
#include <utility>

// The occurrences the scheduler has taken, each named by its task's ID and its local date and
// time: whatever the clock does afterwards (set back, summer time ending, a zone further west), an
// occurrence taken once is not taken again. Each is remembered for KeepMs of elapsed time, longer
// than a fold of summer time or a set-back that one would make by hand.
class TOccurrences {
public:
    static constexpr qint64 KeepMs = 2LL * 24 * 3600 * 1000;

    // True when the occurrence is new; from then on it is remembered. ElapsedMs: the clock's
    // elapsed reading now, which also lets go of those kept long enough.
    bool Take(const QString &ID, qint64 WallSecond, qint64 ElapsedMs);
    bool Contains(const QString &ID, qint64 WallSecond) const;
    int Size() const { return static_cast<int>(FTaken.size()); }

private:
    struct TEntry {
        qint64 Elapsed;
        QString ID;
        qint64 WallSecond;
    };
    std::set<std::pair<QString, qint64>> FTaken;
    // In the order taken, so that the oldest are let go of first.
    std::deque<TEntry> FOrder;
};
