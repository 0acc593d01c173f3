#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <cmath>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "config/Config.h"
#include "platform/AutoRun.h"
#include "platform/BrowserWindows.h"
#include "platform/CpuTimes.h"
#include "platform/HotKeys.h"
#include "platform/InstanceGuard.h"
#include "platform/Platform.h"
#include "platform/Power.h"
#include "platform/SchemeHandlers.h"
#include "platform/Shell.h"
#include "platform/StartPage.h"
#include "platform/SystemTools.h"

// Sets an environment variable (unsets it for a null Value) for this process and the programs
// it starts, and puts it back as it was when it goes.
class TEnvSet {
public:
    TEnvSet(const char *Name, const char *Value)
        : FName(Name), FWasSet(qEnvironmentVariableIsSet(Name)), FOld(qgetenv(Name)) {
        Value ? qputenv(Name, Value) : qunsetenv(Name);
    }
    TEnvSet(const char *Name, const QByteArray &Value) : TEnvSet(Name, Value.constData()) {}
    ~TEnvSet() { FWasSet ? qputenv(FName, FOld) : qunsetenv(FName); }
    TEnvSet(const TEnvSet &) = delete;
    TEnvSet &operator=(const TEnvSet &) = delete;

private:
    const char *FName;
    bool FWasSet;
    QByteArray FOld;
};

// Records what the program asked of the log-on service.
class TFakeAutoRun : public platform::IAutoRun {
public:
    platform::TAutoRunResult Enable(const std::string &ExeName,
                                    const std::string &ExePath) override {
        Calls.push_back("Enable " + ExeName + " " + ExePath);
        return {!Refuse, "/fake/" + ExeName + ".desktop"};
    }
    platform::TAutoRunResult Disable(const std::string &ExeName) override {
        Calls.push_back("Disable " + ExeName);
        return {!Refuse, Refuse ? "/fake/" + ExeName + ".desktop" : std::string()};
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

// Address-scheme handlers: a set of registered schemes, and the addresses handed over.
class TFakeSchemeHandlers : public platform::ISchemeHandlers {
public:
    bool IsRegistered(const std::string &Scheme) override {
        Checks.push_back(Scheme);
        return Registered.count(Scheme) > 0;
    }
    bool OpenAddress(const std::string &Address) override {
        Opened.push_back(Address);
        return Result;
    }
    std::set<std::string> Registered;
    std::vector<std::string> Checks;
    std::vector<std::string> Opened;
    bool Result = true;
};

// The desktop's administration tools, as paths set by the test (empty: not installed).
class TFakeSystemTools : public platform::ISystemTools {
public:
    std::string SettingsEditor() override { return SettingsEditorPath; }
    std::string PolicyEditor() override { return PolicyEditorPath; }
    std::string SettingsEditorPackage() override { return "dconf-editor"; }
    std::string PolicyEditorPackage() override { return "gnome-control-center"; }
    std::string SettingsEditorPath;
    std::string PolicyEditorPath;
};

// A machine whose load the test sets: each reading is one second later than the one before,
// spent at Load percent on ProcessorCount processors.
class TFakeCpuTimes : public platform::ICpuTimes {
public:
    bool Query(platform::TCpuTimes &Times) override {
        // Time passes whether or not the reading succeeds.
        Elapsed += Step;
        Idle += static_cast<uint64_t>(std::llround((1 - Load / 100) * Step * ProcessorCount));
        ++Queries;
        if (Fail)
            return false;
        Times = {ProcessorCount, Idle, Elapsed};
        return true;
    }
    uint64_t Step = 10000000; // one second in 100-ns units
    double Load = 0;
    uint32_t ProcessorCount = 2;
    uint64_t Idle = 1000;
    uint64_t Elapsed = 1000;
    bool Fail = false;
    int Queries = 0;
};

// Records each request to show (true) or hide (false) the browser windows.
class TFakeBrowserWindows : public platform::IBrowserWindows {
public:
    platform::TBrowserReach Apply(bool Show) override {
        Calls.push_back(Show);
        return Reach;
    }
    bool AnyOnDesktop() override { return OnDesktop; }
    std::vector<bool> Calls;
    bool OnDesktop = false;
    platform::TBrowserReach Reach = platform::TBrowserReach::Done; // what each Apply answers
};

// Records the start-page calls as text ("user <url>", "policy <url> <browsers>", "remove");
// SetForUser answers Results, and Policies holds the browsers with a policy of ours.
class TFakeStartPage : public platform::IStartPage {
public:
    std::vector<platform::TStartPageResult> SetForUser(const std::string &Url) override {
        Calls.push_back("user " + Url);
        return Results;
    }
    std::vector<std::string> OwnPolicies() override { return Policies; }
    std::vector<platform::TStartPageResult>
    SetByPolicy(const std::string &Url, const std::vector<std::string> &Browsers) override {
        std::string Call = "policy " + Url;
        std::vector<platform::TStartPageResult> Done;
        for (const std::string &Browser : Browsers) {
            Call += " " + Browser;
            Done.push_back({Browser, platform::TStartPageOutcome::ByPolicy, {}});
        }
        Calls.push_back(Call);
        Policies = Browsers;
        return Done;
    }
    std::vector<std::string> RemovePolicies() override {
        Calls.push_back("remove");
        Policies.clear();
        return {};
    }
    std::vector<std::string> Calls;
    std::vector<platform::TStartPageResult> Results;
    std::vector<std::string> Policies;
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
        bool Ok = Id != 0 && Offered != false;
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
    // Offered false: a desktop without system-wide hotkeys, where every registration fails;
    // empty: one that has not answered yet, until Answer().
    std::optional<bool> Available() override { return Offered; }
    void SetOnAvailable(TOnAvailable Handler) override { OnAvailable = std::move(Handler); }
    void Answer(bool Value) {
        Offered = Value;
        if (OnAvailable)
            OnAvailable(Value);
    }
    std::optional<bool> Offered = true;
    TOnAvailable OnAvailable;
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
    std::shared_ptr<TFakeSchemeHandlers> SchemeHandlers = std::make_shared<TFakeSchemeHandlers>();
    std::shared_ptr<TFakeSystemTools> SystemTools = std::make_shared<TFakeSystemTools>();
    std::shared_ptr<TFakeCpuTimes> CpuTimes = std::make_shared<TFakeCpuTimes>();
    std::shared_ptr<TFakeBrowserWindows> BrowserWindows = std::make_shared<TFakeBrowserWindows>();
    std::shared_ptr<TFakeStartPage> StartPage = std::make_shared<TFakeStartPage>();
    std::shared_ptr<TFakeHotKeys> HotKeys = std::make_shared<TFakeHotKeys>();
    platform::TPlatform Platform() const {
        platform::TPlatform P;
        P.AutoRun = AutoRun;
        P.Shell = Shell;
        P.Power = Power;
        P.SchemeHandlers = SchemeHandlers;
        P.SystemTools = SystemTools;
        P.CpuTimes = CpuTimes;
        P.BrowserWindows = BrowserWindows;
        P.StartPage = StartPage;
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

// Copies the running test program, with the libraries beside it, into Dir (made if missing), all
// open to every user: a test that runs itself as another user cannot count on reaching the build
// tree, which may lie in a private folder. The copy's path, or empty when a copy failed. The
// libraries are found through LD_LIBRARY_PATH=Dir.
QString CopyOfThisProgram(const QString &Dir);
