#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <QUrlQuery>
#include <QtTest>

#include "TestSupport.h"
#include "dialogs/Dialogs.h"
#include "dialogs/Error.h"
#include "platform/linux/XdgSchemeHandlers.h"
#include "tools/Chat.h"

// The chat launcher against the real desktop-entry lookup, with every XDG folder moved into a
// temporary one, and a stand-in for QQ that writes down the address it was given.
class tst_Chat : public QObject {
    Q_OBJECT

    QTemporaryDir FRoot;
    QString P(const QString &Rel) const { return FRoot.path() + "/" + Rel; }
    QString Received() const { return P("received.txt"); }

    void RegisterFakeQQ() {
        QDir().mkpath(P("bin"));
        QDir().mkpath(P("data/applications"));
        QFile Script(P("bin/qq"));
        QVERIFY(Script.open(QIODevice::WriteOnly));
        Script.write("#!/bin/sh\nprintf '%s' \"$1\" > \"" + Received().toUtf8() + ".tmp\"\nmv \"" +
                     Received().toUtf8() + ".tmp\" \"" + Received().toUtf8() + "\"\n");
        Script.close();
        Script.setPermissions(Script.permissions() | QFile::ExeOwner);
        QFile Entry(P("data/applications/qq.desktop"));
        QVERIFY(Entry.open(QIODevice::WriteOnly));
        Entry.write("[Desktop Entry]\nType=Application\nName=QQ\nExec=" + P("bin/qq").toUtf8() +
                    " %u\nMimeType=x-scheme-handler/tencent;\n");
    }
    QString ChatAndReceive(TChat &Chat, const QString &QQID) {
        QFile::remove(Received());
        Chat.Chat(QQID);
        if (!QTest::qWaitFor([this] { return QFile::exists(Received()); }, 10000))
            return "(nothing received)";
        QFile F(Received());
        F.open(QIODevice::ReadOnly);
        return QString::fromUtf8(F.readAll());
    }
    TChat NewChat() { return TChat(std::make_shared<platform::linux_::TXdgSchemeHandlers>()); }

private slots:
    void init() {
        QDir(FRoot.path()).removeRecursively();
        QDir().mkpath(FRoot.path());
        qputenv("XDG_DATA_HOME", P("data").toUtf8());
        qputenv("XDG_DATA_DIRS", P("data-dirs").toUtf8());
        qputenv("XDG_CONFIG_HOME", P("config").toUtf8());
        qputenv("XDG_CONFIG_DIRS", P("config-dirs").toUtf8());
    }

    void NoQQ() {
        Dialogs::TDialogScript Script;
        TChat Chat = NewChat();
        Chat.Chat("12345");
        Chat.Chat("");
        QCOMPARE(Script.Shown().size(), 2);
        for (const Dialogs::TShown &Box : Script.Shown()) {
            QCOMPARE(Box.Kind, QString("message"));
            QCOMPARE(Box.Text, QString("您没有安装QQ"));
        }
    }

    void HandlerReceivesTheAddress() {
        Dialogs::TDialogScript Script;
        TChat Chat = NewChat();
        RegisterFakeQQ();
        QCOMPARE(ChatAndReceive(Chat, "12345"),
                 QString("tencent://Message/?menu=yes&exe=&uin=12345&websiteName=lumenbirk&info="));
        // The box on the first tab passes an empty number through.
        QCOMPARE(ChatAndReceive(Chat, ""),
                 QString("tencent://Message/?menu=yes&exe=&uin=&websiteName=lumenbirk&info="));
        QVERIFY(Script.Shown().isEmpty());
    }

    void InstallationCheckedOnEveryCall() {
        Dialogs::TDialogScript Script;
        TChat Chat = NewChat();
        Chat.Chat("1");
        QCOMPARE(Script.Shown().size(), 1);
        RegisterFakeQQ();
        QCOMPARE(ChatAndReceive(Chat, "2"), TChat::ChatAddress("2"));
        QVERIFY(QFile::remove(P("data/applications/qq.desktop")));
        QFile::remove(Received());
        Chat.Chat("3");
        QCOMPARE(Script.Shown().size(), 2);
        QCOMPARE(Script.Shown().last().Text, QString("您没有安装QQ"));
        // A start would have been asked for before Chat returned, and the fake writes its file
        // as its first step: 200 ms is several times what a shell takes to get there here.
        QTest::qWait(200);
        QVERIFY(!QFile::exists(Received()));
    }

    void TypedTextCannotChangeTheAddress() {
        Dialogs::TDialogScript Script;
        TChat Chat = NewChat();
        RegisterFakeQQ();
        const QString Typed[] = {"1&exe=x", "1#frag", "1 2&info=evil;rm -rf", "１２３", "%41"};
        for (const QString &QQID : Typed) {
            const QUrl Url(ChatAndReceive(Chat, QQID));
            QCOMPARE(Url.scheme(), QString("tencent"));
            QVERIFY(!Url.hasFragment());
            const QUrlQuery Query(Url);
            QStringList Keys;
            for (const auto &Item : Query.queryItems())
                Keys << Item.first;
            QCOMPARE(Keys, QStringList({"menu", "exe", "uin", "websiteName", "info"}));
            QCOMPARE(Query.queryItemValue("exe"), QString());
            QCOMPARE(Query.queryItemValue("info"), QString());
            QCOMPARE(Query.queryItemValue("uin", QUrl::FullyDecoded), QQID);
        }
    }

    void BrokenHandlerIsAnError() {
        // QQ registered, but its program is gone: the failure reaches the standard error box.
        Dialogs::TDialogScript Script;
        QDir().mkpath(P("data/applications"));
        QFile Entry(P("data/applications/qq.desktop"));
        QVERIFY(Entry.open(QIODevice::WriteOnly));
        Entry.write("[Desktop Entry]\nType=Application\nName=QQ\nExec=/nonexistent/qq %u\n"
                    "MimeType=x-scheme-handler/tencent;\n");
        Entry.close();
        TChat Chat = NewChat();
        QVERIFY_THROWS_EXCEPTION(EError, Chat.Chat("12345"));
        QVERIFY(Script.Shown().isEmpty());
    }
};

QTEST_MAIN(tst_Chat)
#include "tst_chat.moc"
