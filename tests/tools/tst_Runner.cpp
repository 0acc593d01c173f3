#include <QtTest>

#include "TestSupport.h"
#include "tools/Runner.h"

namespace {
// A tools service that fails the way a broken system could.
class TThrowingTools : public platform::ISystemTools {
public:
    std::string SettingsEditor() override { throw std::runtime_error("broken"); }
    std::string PolicyEditor() override { throw 42; }
};
} // namespace

class TRunnerTest : public QObject {
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

    void MissingOrFailingToolsAreSilent() {
        TFakePlatform P;
        TRunner Runner(P.SystemTools, P.Shell);
        Runner.RunRegedit();
        Runner.RunGpeidt();
        QVERIFY(P.Shell->Opened.empty());
        // A shell that cannot start it, or a lookup that throws: nothing escapes.
        P.SystemTools->SettingsEditorPath = "/usr/bin/dconf-editor";
        P.Shell->Result = false;
        Runner.RunRegedit();
        QCOMPARE(P.Shell->Opened.size(), size_t(1));
        TRunner Broken(std::make_shared<TThrowingTools>(), P.Shell);
        Broken.RunRegedit();
        Broken.RunGpeidt();
        TRunner Empty(nullptr, nullptr);
        Empty.RunRegedit();
    }
};

QTEST_GUILESS_MAIN(TRunnerTest)
#include "tst_Runner.moc"
