#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "config/Config.h"
#include "platform/AutoRun.h"
#include "platform/InstanceGuard.h"

// Records what the program asked of the log-on service.
class TFakeAutoRun : public platform::IAutoRun {
public:
    std::string Enable(const std::string &ExeName, const std::string &ExePath) override {
        Calls.push_back("Enable " + ExeName + " " + ExePath);
        return Refuse ? std::string() : "/fake/" + ExeName + ".desktop";
    }
    std::string Disable(const std::string &ExeName) override {
        Calls.push_back("Disable " + ExeName);
        return Refuse ? "/fake/" + ExeName + ".desktop" : std::string();
    }
    std::vector<std::string> Calls;
    bool Refuse = false;
};

// A settings folder of its own for one test: a fake executable path inside a temporary folder,
// and the process-wide TConfig pointed at it for as long as the object lives.
class TTestConfig {
public:
    // With Seed, cfg.ini and DB.mdb are put there as the build does.
    explicit TTestConfig(bool Seed = false);
    ~TTestConfig();
    QString Dir() const { return FDir.path() + "/"; }
    QString ExePath() const { return Dir() + "qingchuan"; }
    QString IniPath() const { return Dir() + "cfg.ini"; }
    void WriteIni(const QByteArray &Text) const;
    QByteArray ReadIni() const;
    std::shared_ptr<TFakeAutoRun> AutoRun = std::make_shared<TFakeAutoRun>();

private:
    QTemporaryDir FDir;
    std::unique_ptr<TConfig> FPrevious;
};

// Runs the seeding tool of the build on a folder (cfg.ini and DB.mdb where missing).
bool SeedFolder(const QString &Dir);
