#include "Config.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

#include "AppPaths.h"
#include "dialogs/Error.h"
#include "platform/AutoRun.h"

namespace {

std::unique_ptr<TConfig> Instance;

} // namespace

TConfig &Config() {
    if (!Instance)
        throw EError("The configuration has not been created");
    return *Instance;
}

std::unique_ptr<TConfig> SetConfig(std::unique_ptr<TConfig> Value) {
    std::swap(Instance, Value);
    return Value;
}

TConfig::TConfig(const QString &ExeFilePath, std::shared_ptr<platform::IAutoRun> AutoRunService,
                 std::function<void(const QString &Text)> OnProblem)
    : TConfig(ExeFilePath, QFileInfo(ExeFilePath).absolutePath() + "/cfg.ini",
              std::move(AutoRunService), std::move(OnProblem)) {}

TConfig::TConfig(const QString &ExeFilePath, const QString &IniFileName,
                 std::shared_ptr<platform::IAutoRun> AutoRunService,
                 std::function<void(const QString &Text)> OnProblem)
    : FExeFilePath(ExeFilePath), FAutoRun(std::move(AutoRunService)) {
    FIni = std::make_unique<TIniFile>(IniFileName);
    if (OnProblem)
        FIni->OnProblem = std::move(OnProblem);
    else
        FIni->OnProblem = [](const QString &Text) {
            std::fprintf(stderr, "%s\n", Text.toLocal8Bit().constData());
        };
}

TConfig::~TConfig() = default;

QString TConfig::ExeDir() const {
    return QFileInfo(FExeFilePath).absolutePath() + "/";
}

QString TConfig::ConnStr() const {
    // A refused file has been reported in its own box; reading on would add a second, wrong one
    // (an "empty" connection string that the file may well hold).
    if (FIni->Refused())
        throw EReported(QString("The settings file %1 was not read, so the task database is "
                                "not known.")
                            .arg(FIni->FileName()));
    return AppPaths::ResolveConnStr(FIni->ReadString("DB", "ConnStr", QString()),
                                    QFileInfo(FIni->FileName()).absolutePath());
}

uint16_t TConfig::ReadShortCut(const char *Key) const {
    return static_cast<uint16_t>(FIni->ReadInteger("ShortCut", Key, 0) & 0xFFFF);
}

void TConfig::WriteShortCut(const char *Key, uint16_t Value) {
    FIni->WriteInteger("ShortCut", Key, Value);
}

uint16_t TConfig::SKey_ScreenShot() const {
    return ReadShortCut("ScreenShot");
}
void TConfig::SetSKey_ScreenShot(uint16_t Value) {
    WriteShortCut("ScreenShot", Value);
}
uint16_t TConfig::SKey_Chat() const {
    return ReadShortCut("Chat");
}
void TConfig::SetSKey_Chat(uint16_t Value) {
    WriteShortCut("Chat", Value);
}
uint16_t TConfig::SKey_ShowOrHideIE() const {
    return ReadShortCut("ShowOrHideIE");
}
void TConfig::SetSKey_ShowOrHideIE(uint16_t Value) {
    WriteShortCut("ShowOrHideIE", Value);
}

bool TConfig::AutoRun() const {
    return FIni->ReadBool("Sys", "AutoRun", false);
}

void TConfig::SetAutoRun(bool Value) {
    if (!FAutoRun) {
        FIni->WriteBool("Sys", "AutoRun", Value);
        return;
    }
    // The stored value says what will happen at the next log-on, so the entry is changed first
    // and the value stored only when that worked: a check box that says "on" while nothing would
    // start the program (or "off" while something still would) is worse than an error.
    const QFileInfo Exe(FExeFilePath);
    const std::string Name = Exe.fileName().toStdString();
    const bool Was = AutoRun();
    const platform::TAutoRunResult Done =
        Value ? FAutoRun->Enable(Name, Exe.absoluteFilePath().toStdString())
              : FAutoRun->Disable(Name);
    if (!Done.Ok)
        throw EError(QString("Unable to write to %1").arg(QString::fromStdString(Done.Path)));
    try {
        FIni->WriteBool("Sys", "AutoRun", Value);
    } catch (const EError &) {
        // cfg.ini keeps the old value: put the entry back as that value says.
        if (Value != Was) {
            if (Was)
                FAutoRun->Enable(Name, Exe.absoluteFilePath().toStdString());
            else
                FAutoRun->Disable(Name);
        }
        throw;
    }
}

bool TConfig::CPUMonitor() const {
    return FIni->ReadBool("Sys", "CPUMonitor", false);
}
void TConfig::SetCPUMonitor(bool Value) {
    FIni->WriteBool("Sys", "CPUMonitor", Value);
}
QString TConfig::EncyptPath() const {
    return FIni->ReadString("Sys", "EncyptPath", QString());
}
void TConfig::SetEncyptPath(const QString &Value) {
    FIni->WriteString("Sys", "EncyptPath", Value);
}
