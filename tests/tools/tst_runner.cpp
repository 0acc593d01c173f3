#include <QtTest>

#include "TestSupport.h"
#include "dialogs/Dialogs.h"
#include "tools/Runner.h"

namespace {
// A tools service that fails the way a broken system could.
class TThrowingTools : public platform::ISystemTools {
public:
    std::string SettingsEditor() override { throw std::runtime_error("broken"); }
    std::string PolicyEditor() override { throw 42; }
    std::string SettingsEditorPackage() override { throw std::runtime_error("broken"); }
    std::string PolicyEditorPackage() override { throw 42; }
};
} // namespace

class tst_Runner : public QObject {
    Q_OBJECT
private slots:
    void StartsTheInstalledTools() {
        TFakePlatform P;
        P.SystemTools->SettingsEditorPath = "/usr/bin/dconf-editor";
        P.SystemTools->PolicyEditorPath = "/usr/local/bin/gnome-control-center";
        TRunner Runner(P.SystemTools, P.Shell);
        Runner.RunRegedit();
        Runner.RunGpeidt();
        using V = std::vector<std::pair<std::string, std::string>>;
        QCOMPARE(P.Shell->Opened, (V{{"/usr/bin/dconf-editor", "/usr/bin"},
                                     {"/usr/local/bin/gnome-control-center", "/usr/local/bin"}}));
    }

    // A desktop without the tool: the user learns which package to install.
    void MissingToolNamesThePackage() {
        TFakePlatform P;
        TRunner Runner(P.SystemTools, P.Shell);
        Dialogs::TDialogScript Script;
        Runner.RunRegedit();
        Runner.RunGpeidt();
        QVERIFY(P.Shell->Opened.empty());
        QCOMPARE(Script.Shown().size(), 2);
        QCOMPARE(Script.Shown()[0].Kind, QString("message"));
        QCOMPARE(Script.Shown()[0].Text, QString("没有找到注册表编辑器,请安装 dconf-editor"));
        QCOMPARE(Script.Shown()[1].Kind, QString("message"));
        QCOMPARE(Script.Shown()[1].Text,
                 QString("没有找到组策略编辑器,请安装 gnome-control-center"));
    }

    void FailingToolsAreSilent() {
        TFakePlatform P;
        Dialogs::TDialogScript Script;
        // A shell that cannot start it, or a lookup that throws: nothing escapes.
        P.SystemTools->SettingsEditorPath = "/usr/bin/dconf-editor";
        P.Shell->Result = false;
        TRunner Runner(P.SystemTools, P.Shell);
        Runner.RunRegedit();
        QCOMPARE(P.Shell->Opened.size(), size_t(1));
        TRunner Broken(std::make_shared<TThrowingTools>(), P.Shell);
        Broken.RunRegedit();
        Broken.RunGpeidt();
        TRunner Empty(nullptr, nullptr);
        Empty.RunRegedit();
        QVERIFY(Script.Shown().isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_Runner)
#include "tst_runner.moc"
