#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "config/Config.h"
#include "platform/AutoRun.h"
#include "platform/InstanceGuard.h"
#include "platform/Platform.h"
#include "platform/Power.h"
#include "platform/Shell.h"

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

// Records what was opened instead of opening it.
class TFakeShell : public platform::IShell {
public:
    bool Open(const std::string &Target, const std::string &WorkDir = {}) override {
        Opened.push_back({Target, WorkDir});
        return Result;
    }
    std::vector<std::pair<std::string, std::string>> Opened; // target, working folder
    bool Result = true;
};

// Counts power-off requests; never reaches the real service.
class TFakePower : public platform::IPower {
public:
    bool PowerOff() override {
        ++Calls;
        return true;
    }
    int Calls = 0;
};

// A platform whose services are all recording fakes (those a test does not need stay null
// until a feature adds its own fake here).
struct TFakePlatform {
    std::shared_ptr<TFakeAutoRun> AutoRun = std::make_shared<TFakeAutoRun>();
    std::shared_ptr<TFakeShell> Shell = std::make_shared<TFakeShell>();
    std::shared_ptr<TFakePower> Power = std::make_shared<TFakePower>();
    platform::TPlatform Platform() const {
        platform::TPlatform P;
        P.AutoRun = AutoRun;
        P.Shell = Shell;
        P.Power = Power;
        return P;
    }
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
