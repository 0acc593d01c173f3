#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "IniFile.h"

namespace platform {
class IAutoRun;
}

// The program's settings in cfg.ini (beside the executable, or where AppPaths puts it). Nothing is
// kept here: every read asks the file (whose parsed values TIniFile reuses only while the file is
// unchanged) and every write goes straight back to it, so a hand edit is seen by the next read.
class TConfig {
public:
    // ExeFilePath: the full path of the running executable; cfg.ini sits beside it. OnProblem is
    // told of a damaged or unwritable cfg.ini (unset: the text goes to standard error).
    TConfig(const QString &ExeFilePath, std::shared_ptr<platform::IAutoRun> AutoRunService,
            std::function<void(const QString &Text)> OnProblem = {});
    // The same with cfg.ini at IniFileName.
    TConfig(const QString &ExeFilePath, const QString &IniFileName,
            std::shared_ptr<platform::IAutoRun> AutoRunService,
            std::function<void(const QString &Text)> OnProblem = {});
    ~TConfig();

    // [DB] ConnStr, with a relative Data Source named in full against the folder of cfg.ini.
    // Raises EReported while cfg.ini is too large to be read (that has had its own message).
    QString ConnStr() const;

    // [ShortCut]: shortcut values, the low 16 bits of what is stored; 0 = no hotkey.
    uint16_t SKey_ScreenShot() const;
    void SetSKey_ScreenShot(uint16_t Value);
    uint16_t SKey_Chat() const;
    void SetSKey_Chat(uint16_t Value);
    uint16_t SKey_ShowOrHideIE() const;
    void SetSKey_ShowOrHideIE(uint16_t Value);

    // [Sys]
    bool AutoRun() const;
    // Changes the log-on entry, then stores the value in cfg.ini; when the entry cannot be
    // changed, raises EError naming it and stores nothing, so the stored value always says what
    // the next log-on will do.
    void SetAutoRun(bool Value);
    bool CPUMonitor() const;
    void SetCPUMonitor(bool Value);
    QString EncyptPath() const;
    void SetEncyptPath(const QString &Value);

    QString IniFileName() const { return FIni->FileName(); }
    QString ExeFilePath() const { return FExeFilePath; }
    QString ExeDir() const; // with its trailing separator

private:
    uint16_t ReadShortCut(const char *Key) const;
    void WriteShortCut(const char *Key, uint16_t Value);

    std::unique_ptr<TIniFile> FIni;
    QString FExeFilePath;
    std::shared_ptr<platform::IAutoRun> FAutoRun;
};

// The process-wide instance; it exists before any window and lives until the process ends.
TConfig &Config();
// Installs the process-wide instance and returns the one it replaces (tests swap their own in).
std::unique_ptr<TConfig> SetConfig(std::unique_ptr<TConfig> Value);
