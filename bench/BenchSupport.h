#pragma once

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "config/Config.h"
#include "tasks/TaskDb.h"

// A folder with its own cfg.ini and an empty DB.mdb, and the process-wide settings pointed at it.
class TBenchFolder {
public:
    TBenchFolder() {
        QFile Ini(Dir() + "cfg.ini");
        Ini.open(QIODevice::WriteOnly);
        Ini.write("[DB]\nConnStr=Provider=SQLite;Data Source=DB.mdb\n");
        Ini.close();
        TaskDb::CreateDatabase(DbFile());
        SetConfig(std::make_unique<TConfig>(Dir() + "qingchuan", nullptr));
    }
    ~TBenchFolder() { SetConfig(nullptr); }
    QString Dir() const { return FDir.path() + "/"; }
    QString DbFile() const { return Dir() + "DB.mdb"; }

private:
    QTemporaryDir FDir;
};

inline double Percentile(std::vector<double> Values, double P) {
    if (Values.empty())
        return 0;
    std::sort(Values.begin(), Values.end());
    const size_t I =
        std::min(Values.size() - 1, static_cast<size_t>(P * (Values.size() - 1) + 0.5));
    return Values[I];
}
