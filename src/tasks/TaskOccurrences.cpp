#include "TaskOccurrences.h"

bool TOccurrences::Take(const QString &ID, qint64 WallSecond, qint64 ElapsedMs) {
    while (!FOrder.empty() && ElapsedMs - FOrder.front().Elapsed > KeepMs) {
        FTaken.erase({FOrder.front().ID, FOrder.front().WallSecond});
        FOrder.pop_front();
    }
    if (!FTaken.insert({ID, WallSecond}).second)
        return false;
    FOrder.push_back({ElapsedMs, ID, WallSecond});
    return true;
}

bool TOccurrences::Contains(const QString &ID, qint64 WallSecond) const {
    return FTaken.count({ID, WallSecond}) > 0;
}
