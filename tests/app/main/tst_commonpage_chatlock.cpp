#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QtTest>

#include "TestSupport.h"
#include "app/Main.h"
#include "app/MainTabs.h"
#include "app/PageControl.h"
#include "dialogs/Dialogs.h"

// The main window's chat, system-tool and folder-lock entries, against recording fakes.
class tst_CommonPageChatLock : public QObject {
    Q_OBJECT

    std::unique_ptr<TTestConfig> FConfig;
    std::unique_ptr<TFakePlatform> FFake;
    std::unique_ptr<TFrm_Main> FMain;

    QString Address(const QString &Uin) const {
        return "tencent://Message/?menu=yes&exe=&uin=" + Uin + "&websiteName=lumenbirk&info=";
    }
    std::vector<std::string> Opened() const { return FFake->SchemeHandlers->Opened; }

private slots:
    void init() {
        FConfig = std::make_unique<TTestConfig>(true);
        FFake = std::make_unique<TFakePlatform>();
        FFake->SchemeHandlers->Registered = {"tencent"};
        FMain = std::make_unique<TFrm_Main>(FFake->Platform());
        Dialogs::TDialogScript Script;
        FMain->FormCreate();
        QVERIFY(Script.Shown().isEmpty());
    }
    void cleanup() {
        FMain.reset();
        FFake.reset();
        FConfig.reset();
    }

    void EntriesAreEnabled() {
        for (const char *Name : {"actChat", "actReg", "actGpedit", "actEncrypt"})
            QVERIFY2(FMain->Action(Name)->isEnabled(), Name);
        QVERIFY(FMain->findChild<QPushButton *>("Button13")->isEnabled());
    }

    void ChatActionAsksForTheNumber() {
        Dialogs::TDialogScript Script;
        Script.Answer(QString("12345"));
        FMain->Action("actChat")->trigger();
        QCOMPARE(Script.Shown().size(), 1);
        QCOMPARE(Script.Shown()[0].Kind, QString("input"));
        QCOMPARE(Script.Shown()[0].Caption, QString("聊天"));
        QCOMPARE(Script.Shown()[0].Text, QString("QQ号码"));
        QCOMPARE(Opened(), std::vector<std::string>{Address("12345").toStdString()});
        // Cancel, or OK on an empty box: nothing more, not even the installation check.
        const size_t Checks = FFake->SchemeHandlers->Checks.size();
        FMain->Action("actChat")->trigger();
        Script.Answer(QString());
        FMain->Action("actChat")->trigger();
        QCOMPARE(Script.Shown().size(), 3);
        QCOMPARE(Opened().size(), size_t(1));
        QCOMPARE(FFake->SchemeHandlers->Checks.size(), Checks);
    }

    void ChatWithoutQQ() {
        FFake->SchemeHandlers->Registered.clear();
        Dialogs::TDialogScript Script;
        Script.Answer(QString("12345"));
        FMain->Action("actChat")->trigger();
        FMain->findChild<QPushButton *>("Button13")->click();
        QCOMPARE(Script.Shown().size(), 3);
        QCOMPARE(Script.Shown()[1].Text, QString("您没有安装QQ"));
        QCOMPARE(Script.Shown()[2].Text, QString("您没有安装QQ"));
        QVERIFY(Opened().empty());
    }

    void ChatButtonPassesTheBoxAsItIs() {
        Dialogs::TDialogScript Script;
        auto *Button13 = FMain->findChild<QPushButton *>("Button13");
        Button13->click();
        FMain->findChild<QLineEdit *>("QQ")->setText(" 678 ");
        Button13->click();
        QCOMPARE(Opened(), (std::vector<std::string>{Address("").toStdString(),
                                                     Address("%20678%20").toStdString()}));
        QVERIFY(Script.Shown().isEmpty());
    }

    void SystemTools() {
        FFake->SystemTools->SettingsEditorPath = "/usr/bin/dconf-editor";
        FFake->SystemTools->PolicyEditorPath = "/usr/bin/gnome-control-center";
        FMain->Action("actReg")->trigger();
        FMain->Action("actGpedit")->trigger();
        using V = std::vector<std::pair<std::string, std::string>>;
        QCOMPARE(FFake->Shell->Opened, (V{{"/usr/bin/dconf-editor", "/usr/bin"},
                                          {"/usr/bin/gnome-control-center", "/usr/bin"}}));
    }

    void FolderLockTab() {
        Dialogs::TDialogScript Script;
        FMain->Action("actEncrypt")->trigger();
        QCOMPARE(Script.Shown().size(), 1);
        QCOMPARE(Script.Shown()[0].Text, QString("请设置加密路径"));
        // Switching to the tab shows the folder remembered in cfg.ini, even one set by hand.
        Config().SetEncyptPath("/some/where");
        FMain->show();
        QTabBar *Bar = FMain->PageControl1()->tabBar();
        QTest::mouseClick(Bar, Qt::LeftButton, {}, Bar->tabRect(4).center());
        QCOMPARE(FMain->PageControl1()->currentIndex(), EncryptTab);
        auto *edt1 = FMain->findChild<QLineEdit *>("edt1");
        QVERIFY(edt1);
        QCOMPARE(edt1->text(), QString("/some/where"));
        QVERIFY(edt1->isVisible());
    }
};

QTEST_MAIN(tst_CommonPageChatLock)
#include "tst_commonpage_chatlock.moc"
