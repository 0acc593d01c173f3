#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "platform/linux/XdgSchemeHandlers.h"

using platform::linux_::TDesktopEntry;
using platform::linux_::TXdgDirs;
using platform::linux_::TXdgSchemeHandlers;

namespace {

void WriteFile(const QString &Path, const QByteArray &Text, bool Executable = false) {
    QDir().mkpath(QFileInfo(Path).absolutePath());
    QFile F(Path);
    QVERIFY(F.open(QIODevice::WriteOnly | QIODevice::Truncate));
    F.write(Text);
    F.close();
    if (Executable)
        F.setPermissions(F.permissions() | QFile::ExeOwner);
}

QByteArray Entry(const QByteArray &Exec, const QByteArray &Extra = {}) {
    return "[Desktop Entry]\nType=Application\nName=Test\nExec=" + Exec + "\n" + Extra;
}

} // namespace

class tst_XdgSchemeHandlers : public QObject {
    Q_OBJECT

    QTemporaryDir FRoot;
    TXdgDirs Dirs() const {
        TXdgDirs D;
        D.DataHome = (FRoot.path() + "/data-home").toStdString();
        D.DataDirs = {(FRoot.path() + "/data1").toStdString(),
                      (FRoot.path() + "/data2").toStdString()};
        D.ConfigHome = (FRoot.path() + "/config-home").toStdString();
        D.ConfigDirs = {(FRoot.path() + "/config1").toStdString()};
        return D;
    }
    QString P(const QString &Rel) const { return FRoot.path() + "/" + Rel; }
    static QString Found(const TXdgSchemeHandlers &H) {
        return QFileInfo(QString::fromStdString(H.FindHandler("tencent").File)).fileName();
    }

private slots:
    void init() {
        QDir(FRoot.path()).removeRecursively();
        QDir().mkpath(FRoot.path());
    }

    void NoHandlerAnywhere() {
        WriteFile(P("data2/applications/viewer.desktop"),
                  Entry("viewer %u", "MimeType=x-scheme-handler/http;text/html;\n"));
        TXdgSchemeHandlers H(Dirs());
        QVERIFY(!H.IsRegistered("tencent"));
        QVERIFY(!H.OpenAddress("tencent://Message/?uin=1"));
        QVERIFY(H.IsRegistered("http"));
    }

    void PreferenceOrder() {
        TXdgSchemeHandlers H(Dirs());
        // Only a desktop entry naming the type: found through its MimeType key.
        WriteFile(P("data2/applications/qq.desktop"),
                  Entry("qq %u", "MimeType=x-scheme-handler/tencent;\n"));
        QCOMPARE(Found(H), QString("qq.desktop"));
        // The same id in a more preferred data folder shadows it.
        WriteFile(P("data1/applications/qq.desktop"),
                  Entry("qq-new %u", "MimeType=x-scheme-handler/tencent;\n"));
        QCOMPARE(QString::fromStdString(H.FindHandler("tencent").Exec), QString("qq-new %u"));
        // A default chosen in the user's mimeapps.list wins over any association.
        WriteFile(P("data1/applications/other.desktop"), Entry("other %u"));
        WriteFile(
            P("config-home/mimeapps.list"),
            "[Default Applications]\nx-scheme-handler/tencent=missing.desktop;other.desktop\n");
        QCOMPARE(Found(H), QString("other.desktop"));
        // A hidden entry counts as not installed: the next in order is taken.
        WriteFile(P("data-home/applications/other.desktop"), Entry("other %u", "Hidden=true\n"));
        QCOMPARE(Found(H), QString("qq.desktop"));
        // Removed associations take the MimeType-based one away.
        WriteFile(P("config1/mimeapps.list"),
                  "[Removed Associations]\nx-scheme-handler/tencent=qq.desktop;\n");
        QVERIFY(!H.IsRegistered("tencent"));
        // An added association of a folder is found, scheme case aside.
        WriteFile(P("data-home/applications/mimeapps.list"),
                  "[Added Associations]\nx-scheme-handler/tencent=sub-chat.desktop;\n");
        WriteFile(P("data-home/applications/sub/chat.desktop"), Entry("chat %u"));
        QCOMPARE(Found(H), QString("chat.desktop"));
        QVERIFY(H.IsRegistered("TENCENT"));
    }

    void UnusableEntries() {
        TXdgSchemeHandlers H(Dirs());
        WriteFile(P("data1/applications/a.desktop"),
                  Entry("a %u", "MimeType=x-scheme-handler/tencent;\nTryExec=/nonexistent/qq\n"));
        WriteFile(P("data1/applications/b.desktop"),
                  "[Desktop Entry]\nType=Link\nURL=x\nMimeType=x-scheme-handler/tencent;\n");
        WriteFile(P("data1/applications/c.desktop"),
                  "[Desktop Entry]\nType=Application\nMimeType=x-scheme-handler/tencent;\n");
        QVERIFY(!H.IsRegistered("tencent"));
    }

    void ExpandsExecLines() {
        TDesktopEntry E;
        E.File = "/apps/qq.desktop";
        E.Icon = "qq";
        E.Name = "QQ";
        const std::string A = "tencent://Message/?menu=yes&exe=&uin=1";
        const auto Expand = [&E, &A](const std::string &Exec) {
            E.Exec = Exec;
            return TXdgSchemeHandlers::ExpandExec(E, A);
        };
        using V = std::vector<std::string>;
        QCOMPARE(Expand("qq %u"), (V{"qq", A}));
        QCOMPARE(Expand("qq"), (V{"qq", A}));
        QCOMPARE(Expand("\"/opt/my qq/qq\" --url=%U %i %c %k %%"),
                 (V{"/opt/my qq/qq", "--url=" + A, "--icon", "qq", "QQ", "/apps/qq.desktop", "%"}));
        QCOMPARE(Expand("sh -c \"echo \\\"\\$1\\\"\" %f"), (V{"sh", "-c", "echo \"$1\"", A}));
        QCOMPARE(Expand("qq %d %u %u"), (V{"qq", A}));
        QVERIFY(Expand("\"unterminated %u").empty());
        QVERIFY(Expand("   ").empty());
    }

    void HandsTheAddressToTheHandler() {
        // A handler that records its arguments, one per line, the way QQ would receive them.
        const QString Out = P("received.txt");
        WriteFile(P("bin/fake qq"),
                  "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > \"" + Out.toUtf8() +
                      ".tmp\"\nmv \"" + Out.toUtf8() + ".tmp\" \"" + Out.toUtf8() + "\"\n",
                  true);
        WriteFile(P("data-home/applications/qq.desktop"),
                  Entry("\"" + P("bin/fake qq").toUtf8() + "\" --open %u",
                        "MimeType=x-scheme-handler/tencent;\n"));
        TXdgSchemeHandlers H(Dirs());
        const std::string A = "tencent://Message/?menu=yes&exe=&uin=12345&websiteName=x&info=";
        QVERIFY(H.OpenAddress(A));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(Out), 10000);
        QFile F(Out);
        QVERIFY(F.open(QIODevice::ReadOnly));
        QCOMPARE(F.readAll(), QByteArray("--open\n") + QByteArray::fromStdString(A) + "\n");
        // Only addresses of the registered scheme reach it.
        QVERIFY(!H.OpenAddress("mailto:someone@example.com"));
        QVERIFY(!H.OpenAddress("no scheme here"));
    }

    void EnvironmentReadOnEveryCall() {
        // The default backend follows the environment, so tests and users can move the folders.
        WriteFile(P("env-data/applications/qq.desktop"),
                  Entry("qq %u", "MimeType=x-scheme-handler/tencent;\n"));
        qputenv("XDG_DATA_HOME", P("env-empty").toUtf8());
        qputenv("XDG_DATA_DIRS", P("env-empty2").toUtf8());
        qputenv("XDG_CONFIG_HOME", P("env-empty3").toUtf8());
        qputenv("XDG_CONFIG_DIRS", P("env-empty4").toUtf8());
        TXdgSchemeHandlers H;
        QVERIFY(!H.IsRegistered("tencent"));
        qputenv("XDG_DATA_DIRS", P("env-data").toUtf8());
        QVERIFY(H.IsRegistered("tencent"));
    }
};

QTEST_GUILESS_MAIN(tst_XdgSchemeHandlers)
#include "tst_xdgschemehandlers.moc"
