#include "TestSupport.h"

#include <QFile>
#include <QProcess>

#include "dialogs/Dialogs.h"

TTestConfig::TTestConfig(bool Seed) {
    if (Seed)
        SeedFolder(FDir.path());
    FPrevious = SetConfig(std::make_unique<TConfig>(ExePath(), AutoRun, Dialogs::PostError));
}

TTestConfig::~TTestConfig() {
    SetConfig(std::move(FPrevious));
}

void TTestConfig::WriteIni(const QByteArray &Text) const {
    QFile F(IniPath());
    F.open(QIODevice::WriteOnly | QIODevice::Truncate);
    F.write(Text);
}

QByteArray TTestConfig::ReadIni() const {
    QFile F(IniPath());
    return F.open(QIODevice::ReadOnly) ? F.readAll() : QByteArray();
}

bool SeedFolder(const QString &Dir) {
    return QProcess::execute(QStringLiteral(QC_BIN_DIR "/qc_seed"), {Dir}) == 0;
}
