#include <QAction>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "TestSupport.h"
#include "dialogs/Dialogs.h"
#include "tools/EncryptPage.h"

// The folder-lock page with a settings folder of its own, a stand-in Lock.exe beside the
// "program", answered folder pickers and a shell that records what it was asked to open.
class tst_EncryptPage : public QObject {
    Q_OBJECT

    std::unique_ptr<TTestConfig> FConfig;
    std::unique_ptr<QTemporaryDir> FFolders;
    std::shared_ptr<TFakeShell> FShell;
    std::unique_ptr<QWidget> FTab;
    QAction *FAction = nullptr;
    TEncryptPage *FPage = nullptr;

    static void Write(const QString &Path, const QByteArray &Text) {
        QFile F(Path);
        QVERIFY(F.open(QIODevice::WriteOnly | QIODevice::Truncate));
        F.write(Text);
    }
    static QByteArray Read(const QString &Path) {
        QFile F(Path);
        return F.open(QIODevice::ReadOnly) ? F.readAll() : QByteArray("(missing)");
    }
    QString Folder(const QString &Name) const {
        const QString Path = FFolders->path() + "/" + Name;
        QDir().mkpath(Path);
        return Path;
    }
    QString ToolBesideProgram() const { return FConfig->Dir() + "Lock.exe"; }
    void ClickBrowse() { FPage->findChild<QPushButton *>("btn1")->click(); }

private slots:
    void init() {
        FConfig = std::make_unique<TTestConfig>();
        FFolders = std::make_unique<QTemporaryDir>();
        Write(ToolBesideProgram(), "the lock tool");
        QFile::setPermissions(ToolBesideProgram(), QFile::ReadOwner | QFile::WriteOwner |
                                                       QFile::ExeOwner | QFile::ReadOther);
        FShell = std::make_shared<TFakeShell>();
        FTab = std::make_unique<QWidget>();
        FTab->resize(368, 290);
        FAction = new QAction("文件夹加密", FTab.get());
        FAction->setObjectName("actEncrypt");
        FPage = new TEncryptPage(FTab.get(), FShell, FAction);
    }
    void cleanup() {
        FTab.reset();
        FConfig.reset();
        FFolders.reset();
    }

    void Controls() {
        auto *grp2 = FPage->findChild<QGroupBox *>("grp2");
        QVERIFY(grp2);
        QCOMPARE(grp2->title(), QString("文件夹加密"));
        QCOMPARE(FPage->findChild<QLabel *>("lbl3")->text(), QString("加密路径"));
        QVERIFY(FPage->edt1()->isReadOnly());
        QCOMPARE(FPage->findChild<QPushButton *>("btn1")->text(), QString("浏览"));
        QCOMPARE(FPage->findChild<QPushButton *>("btn2")->text(), QString("清空"));
        auto *btnEncrypt = FPage->findChild<QToolButton *>("btnEncrypt");
        QCOMPARE(btnEncrypt->defaultAction(), FAction);
        QCOMPARE(btnEncrypt->text(), QString("文件夹加密"));
        auto *lbl2 = FPage->findChild<QLabel *>("lbl2");
        QCOMPARE(lbl2->text(), QString("注意:若删除加密文件夹,将不能用数据恢复工具恢复."));
        QVERIFY(lbl2->wordWrap());
        QVERIFY(lbl2->styleSheet().contains("red"));
    }

    void BrowsePlacesTheToolAndRemembers() {
        Dialogs::TDialogScript Script;
        const QString Dir = Folder("secret");
        Script.Answer(Dir);
        ClickBrowse();
        QCOMPARE(Script.Shown().size(), 1);
        QCOMPARE(Script.Shown()[0].Kind, QString("folder"));
        QCOMPARE(Script.Shown()[0].Caption, QString("请选择加密文件夹"));
        QCOMPARE(Script.Shown()[0].Text, QString());
        QCOMPARE(FPage->edt1()->text(), Dir);
        QCOMPARE(Config().EncyptPath(), Dir);
        QCOMPARE(Read(Dir + "/Lock.exe"), QByteArray("the lock tool"));
        QVERIFY(QFileInfo(Dir + "/Lock.exe").isExecutable());
    }

    void PresentToolIsNeverOverwritten() {
        Dialogs::TDialogScript Script;
        const QString Dir = Folder("mine");
        Write(Dir + "/Lock.exe", "the user's own Lock.exe");
        Script.Answer(Dir);
        ClickBrowse();
        QCOMPARE(Read(Dir + "/Lock.exe"), QByteArray("the user's own Lock.exe"));
        QCOMPARE(Config().EncyptPath(), Dir);
        // Cancel with the folder shown: still untouched.
        ClickBrowse();
        QCOMPARE(Read(Dir + "/Lock.exe"), QByteArray("the user's own Lock.exe"));
        QVERIFY(Script.Shown().size() == 2 && Script.Shown()[1].Kind == "folder");
    }

    void CancelPutsBackAMissingTool() {
        Dialogs::TDialogScript Script;
        const QString Dir = Folder("again");
        Script.Answer(Dir);
        ClickBrowse();
        QVERIFY(QFile::remove(Dir + "/Lock.exe"));
        Config().SetEncyptPath("/elsewhere");
        ClickBrowse(); // cancelled
        QCOMPARE(FPage->edt1()->text(), Dir);
        QCOMPARE(Read(Dir + "/Lock.exe"), QByteArray("the lock tool"));
        QCOMPARE(Config().EncyptPath(), Dir);
        QCOMPARE(Script.Shown().size(), 2);
    }

    void CancelWithNothingShownDoesNothing() {
        Dialogs::TDialogScript Script;
        ClickBrowse();
        QCOMPARE(FPage->edt1()->text(), QString());
        QVERIFY(!QFile::exists(FConfig->IniPath()));
        QCOMPARE(Script.Shown().size(), 1);
    }

    void MissingToolBesideProgramStillRemembers() {
        Dialogs::TDialogScript Script;
        QVERIFY(QFile::remove(ToolBesideProgram()));
        const QString Dir = Folder("no-tool");
        Script.Answer(Dir);
        ClickBrowse();
        QCOMPARE(Config().EncyptPath(), Dir);
        QVERIFY(!QFile::exists(Dir + "/Lock.exe"));
        QCOMPARE(Script.Shown().size(), 1); // the picker only, no message
    }

    void UnwritableSettingsAreReported() {
        Dialogs::TDialogScript Script;
        QVERIFY(QDir().mkpath(FConfig->IniPath())); // a folder where cfg.ini should be
        const QString Dir = Folder("unsaved");
        Script.Answer(Dir);
        ClickBrowse();
        QCOMPARE(Script.Shown().size(), 2);
        QCOMPARE(Script.Shown()[1].Kind, QString("message"));
        QCOMPARE(Script.Shown()[1].Text,
                 "设置加密文件夹失败Unable to write to " + FConfig->IniPath());
    }

    void ClearForgetsButLeavesTheTool() {
        Dialogs::TDialogScript Script;
        const QString Dir = Folder("cleared");
        Script.Answer(Dir);
        ClickBrowse();
        FPage->findChild<QPushButton *>("btn2")->click();
        QCOMPARE(FPage->edt1()->text(), QString());
        QCOMPARE(Config().EncyptPath(), QString());
        QVERIFY(FConfig->ReadIni().contains("EncyptPath="));
        QVERIFY(QFile::exists(Dir + "/Lock.exe"));
    }

    void LoadShowsTheRememberedFolder() {
        Config().SetEncyptPath("/some/folder");
        FPage->Load();
        QCOMPARE(FPage->edt1()->text(), QString("/some/folder"));
    }

    void FolderLockMessagesAndStarts() {
        Dialogs::TDialogScript Script;
        connect(FAction, &QAction::triggered, FPage, [this] { FPage->actEncryptExecute(); });
        FAction->trigger();
        QCOMPARE(Script.Shown().size(), 1);
        QCOMPARE(Script.Shown()[0].Text, QString("请设置加密路径"));

        Config().SetEncyptPath(FFolders->path() + "/deleted");
        FAction->trigger();
        QCOMPARE(Script.Shown().size(), 2);
        QCOMPARE(Script.Shown()[1].Text, QString("没有找到加密软件,请重新设置加密路径"));
        QVERIFY(FShell->Opened.empty());

        // A folder without Lock.exe passes: there is nothing to start, the folder opens.
        const QString Dir = Folder("locked");
        Config().SetEncyptPath(Dir);
        FAction->trigger();
        QCOMPARE(Script.Shown().size(), 2);
        using V = std::vector<std::pair<std::string, std::string>>;
        QCOMPARE(FShell->Opened, (V{{Dir.toStdString(), ""}}));
    }

    void OnlyTheProgramsOwnToolStarts_data() {
        QTest::addColumn<QString>("Kind");
        QTest::addColumn<bool>("Started");
        QTest::newRow("the copy the page placed") << "copy" << true;
        QTest::newRow("another program under that name") << "other" << false;
        QTest::newRow("the same bytes plus one") << "longer" << false;
        QTest::newRow("a link to the program's own") << "link" << false;
    }
    // Lock.exe reads the user's password: only the program's own companion is started from the
    // folder; any other file of that name is named and left alone.
    void OnlyTheProgramsOwnToolStarts() {
        QFETCH(QString, Kind);
        QFETCH(bool, Started);
        Dialogs::TDialogScript Script;
        const QString Dir = Folder("chosen");
        const QString Tool = Dir + "/Lock.exe";
        if (Kind == "copy") {
            Script.Answer(Dir);
            ClickBrowse(); // the page puts its own there
            QCOMPARE(Read(Tool), QByteArray("the lock tool"));
        } else if (Kind == "link") {
            QVERIFY(QFile::link(ToolBesideProgram(), Tool));
        } else {
            Write(Tool, Kind == "other" ? "#!/bin/sh\nsend the password away\n" : "the lock tool!");
        }
        Config().SetEncyptPath(Dir);
        const qsizetype Before = Script.Shown().size();
        FPage->actEncryptExecute();
        using V = std::vector<std::pair<std::string, std::string>>;
        if (Started) {
            QCOMPARE(Script.Shown().size(), Before);
            QCOMPARE(FShell->Opened, (V{{Tool.toStdString(), ""}, {Dir.toStdString(), ""}}));
        } else {
            QCOMPARE(Script.Shown().size(), Before + 1);
            QCOMPARE(Script.Shown().last().Text, TEncryptPage::NotOursText(Tool));
            QCOMPARE(FShell->Opened, (V{{Dir.toStdString(), ""}}));
        }
    }

    void HelpSaysWhatRemovingDoes() {
        auto *Help = FPage->findChild<QLabel *>("lbl4");
        QVERIFY(Help);
        QCOMPARE(Help->text(), TEncryptPage::HelpText());
        QVERIFY(Help->text().contains("不会抹去") && Help->text().contains("数据恢复工具"));
        QVERIFY(Help->wordWrap());
    }
};

QTEST_MAIN(tst_EncryptPage)
#include "tst_encryptpage.moc"
