#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

QString CopyOfThisProgram(const QString &Dir) {
    const QFile::Permissions Open(0x7755);
    if (!QDir().mkpath(Dir) || !QFile::setPermissions(Dir, Open))
        return {};
    const QDir From(QCoreApplication::applicationDirPath());
    const QString Program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    for (const QString &Name : From.entryList({"*.so"}, QDir::Files) + QStringList{Program}) {
        const QString To = Dir + "/" + Name;
        if (!QFileInfo::exists(To) && !QFile::copy(From.filePath(Name), To))
            return {};
        QFile::setPermissions(To, Open);
    }
    return Dir + "/" + Program;
}
