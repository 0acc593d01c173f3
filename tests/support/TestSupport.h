#pragma once

#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/Config.h"
#include "platform/AutoRun.h"
#include "platform/HotKeys.h"
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

// Holds hotkeys in a table instead of the display server and records each call as text
// ("Register 49153 2+81 ok", "Unregister 49153 ok"); combinations in Taken belong to "another
// program". Press() delivers a press as the system would.
class TFakeHotKeys : public platform::IHotKeys {
public:
    struct THeld {
        uint16_t Id;
        uint32_t Modifiers, VirtualKey;
    };
    bool Register(uint16_t Id, uint32_t Modifiers, uint32_t VirtualKey) override {
        bool Ok = Id != 0;
        for (const THeld &H : Held)
            Ok = Ok && H.Id != Id && !(H.Modifiers == Modifiers && H.VirtualKey == VirtualKey);
        for (const auto &T : Taken)
            Ok = Ok && !(T.first == Modifiers && T.second == VirtualKey);
        if (Ok)
            Held.push_back({Id, Modifiers, VirtualKey});
        Calls.push_back("Register " + std::to_string(Id) + " " + std::to_string(Modifiers) + "+" +
                        std::to_string(VirtualKey) + (Ok ? " ok" : " failed"));
        if (OnCall)
            OnCall(Calls.back());
        return Ok;
    }
    bool Unregister(uint16_t Id) override {
        bool Ok = false;
        for (auto It = Held.begin(); It != Held.end(); ++It)
            if (It->Id == Id) {
                Held.erase(It);
                Ok = !RefuseUnregister;
                break;
            }
        Calls.push_back("Unregister " + std::to_string(Id) + (Ok ? " ok" : " failed"));
        if (OnCall)
            OnCall(Calls.back());
        return Ok;
    }
    void SetOnPressed(TOnPressed Handler) override { OnPressed = std::move(Handler); }
    // Presses a combination: reaches the handler only when it is held, as on the system.
    bool Press(uint32_t Modifiers, uint32_t VirtualKey) {
        for (const THeld &H : Held)
            if (H.Modifiers == Modifiers && H.VirtualKey == VirtualKey && OnPressed) {
                OnPressed(H.Id, Modifiers, VirtualKey);
                return true;
            }
        return false;
    }
    std::vector<THeld> Held;
    std::vector<std::pair<uint32_t, uint32_t>> Taken; // modifiers, virtual key
    std::vector<std::string> Calls;
    std::function<void(const std::string &Call)> OnCall;
    TOnPressed OnPressed;
    bool RefuseUnregister = false;
};

// A platform whose services are all recording fakes (those a test does not need stay null
// until a feature adds its own fake here).
struct TFakePlatform {
    std::shared_ptr<TFakeAutoRun> AutoRun = std::make_shared<TFakeAutoRun>();
    std::shared_ptr<TFakeShell> Shell = std::make_shared<TFakeShell>();
    std::shared_ptr<TFakePower> Power = std::make_shared<TFakePower>();
    std::shared_ptr<TFakeHotKeys> HotKeys = std::make_shared<TFakeHotKeys>();
    platform::TPlatform Platform() const {
        platform::TPlatform P;
        P.AutoRun = AutoRun;
        P.Shell = Shell;
        P.Power = Power;
        P.HotKeys = HotKeys;
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
