// The desktop portal's Screenshot request against a stand-in portal on a bus of the test's own
// (fake_screenshot.py), which answers when the test says: what each answer becomes for the
// user, which files named in an answer are read and removed, and the waiting.
#include <QApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include "PortalBed.h"
#include "camera/ScreenSource.h"
#include "camera/linux/PortalScreenshot.h"
#include "camera/linux/PortalWait.h"

namespace {

// The stand-in and the bus come up well within a second here; room for a loaded machine.
constexpr int WaitMs = 20000;

// A picture no other file could pass for.
QImage Picture() {
    QImage Image(40, 30, QImage::Format_RGB32);
    for (int Y = 0; Y < Image.height(); ++Y)
        for (int X = 0; X < Image.width(); ++X)
            Image.setPixel(X, Y, qRgb(X * 6, Y * 8, (X ^ Y) * 4));
    return Image;
}

} // namespace

class tst_PortalRequest : public QObject {
    Q_OBJECT

    std::unique_ptr<TPortalBed> FBed;
    std::unique_ptr<QProcess> FPortal;
    QTemporaryDir FFiles;

    // The bed with the stand-in portal; empty when it is up, else why not.
    QString StartPortal(const QStringList &Arguments = {}) {
        FBed = std::make_unique<TPortalBed>();
        if (QString Why = FBed->Start(TPortalBed::TKind::NoPortal); !Why.isEmpty())
            return Why;
        if (!QFile::exists("/usr/bin/python3"))
            return "/usr/bin/python3 is not installed";
        FPortal = std::make_unique<QProcess>();
        QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
        Env.insert("DBUS_SESSION_BUS_ADDRESS", FBed->BusAddress());
        FPortal->setProcessEnvironment(Env);
        FPortal->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        FPortal->start("/usr/bin/python3", QStringList{QC_FAKE_SCREENSHOT} + Arguments);
        if (!FPortal->waitForStarted())
            return "python3 did not start";
        const bool Up = QTest::qWaitFor(
            [&] {
                return FBed->Bus().interface()->isServiceRegistered(
                    "org.freedesktop.portal.Desktop");
            },
            WaitMs);
        return Up ? QString() : QString("the stand-in portal did not start (python3-dbus?)");
    }

    QVariant Control(const QString &Method, const QVariantList &Arguments = {}) {
        QDBusMessage M = QDBusMessage::createMethodCall("org.freedesktop.portal.Desktop",
                                                        "/org/freedesktop/portal/desktop",
                                                        "test.fakescreenshot.Control", Method);
        M.setArguments(Arguments);
        return FBed->Bus().call(M).arguments().value(0);
    }

    QString PngFile(const QString &Name) {
        const QString Path = FFiles.filePath(Name);
        QFile::remove(Path);
        return Picture().save(Path, "PNG") ? Path : QString();
    }

private Q_SLOTS:
    void cleanup() {
        if (FPortal) {
            FPortal->kill();
            FPortal->waitForFinished();
            FPortal.reset();
        }
        FBed.reset();
    }

    // What an answer of the portal becomes. Only a fresh regular file of this user, not a link,
    // is read and removed; nothing named can hold the program (a FIFO) or lose a file of the
    // user's (a link's target, an older file).
    void answer_data() {
        QTest::addColumn<uint>("Code");
        QTest::addColumn<QString>("Kind");
        QTest::addColumn<QString>("Failure");
        QTest::addColumn<bool>("Removed");
        const QString Unreadable = QStringLiteral("截图失败：无法读取桌面返回的截图。");
        QTest::newRow("picture") << 0u << "png" << QString() << true;
        QTest::newRow("refused") << 1u << "png" << QStringLiteral("截图失败：桌面拒绝了截图请求。")
                                 << false;
        QTest::newRow("service failed")
            << 2u << "png" << QStringLiteral("截图失败：桌面的截图服务出错。") << false;
        QTest::newRow("no uri") << 0u << "none" << Unreadable << false;
        QTest::newRow("not a picture") << 0u << "text" << Unreadable << true;
        QTest::newRow("link to a picture") << 0u << "symlink" << Unreadable << false;
        QTest::newRow("fifo") << 0u << "fifo" << Unreadable << false;
        QTest::newRow("folder") << 0u << "dir" << Unreadable << false;
        QTest::newRow("another user's") << 0u << "foreign" << Unreadable << false;
        QTest::newRow("older than the request") << 0u << "old" << Unreadable << false;
        QTest::newRow("second name of a file") << 0u << "hardlink" << Unreadable << false;
    }
    void answer() {
        QFETCH(uint, Code);
        QFETCH(QString, Kind);
        QFETCH(QString, Failure);
        QFETCH(bool, Removed);
        const QString Why = StartPortal();
        QVERIFY2(Why.isEmpty(), qPrintable(Why));
        const QString Target = PngFile("target.png");
        const QString Path =
            FFiles.filePath("answer-" + QString::fromLatin1(QTest::currentDataTag()));
        if (Kind == "png" || Kind == "none" || Kind == "old" || Kind == "foreign" ||
            Kind == "hardlink")
            QVERIFY(Picture().save(Path, "PNG"));
        if (Kind == "text") {
            QFile F(Path);
            QVERIFY(F.open(QIODevice::WriteOnly));
            F.write("not a picture");
        }
        if (Kind == "symlink")
            QVERIFY(QFile::link(Target, Path));
        if (Kind == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(Path).constData(), 0600), 0);
        if (Kind == "dir")
            QVERIFY(QDir().mkdir(Path));
        if (Kind == "hardlink")
            QCOMPARE(::link(QFile::encodeName(Path).constData(),
                            QFile::encodeName(Path + ".2").constData()),
                     0);
        if (Kind == "foreign") {
            if (::getuid() != 0)
                QSKIP("only root can give a file to another user");
            QCOMPARE(::chown(QFile::encodeName(Path).constData(), 65534, 65534), 0);
        }
        if (Kind == "old") {
            const timeval Hour[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
            QCOMPARE(::utimes(QFile::encodeName(Path).constData(), Hour), 0);
        }
        const QString Uri = Kind == "none" ? QString() : QUrl::fromLocalFile(Path).toString();

        camera::TPortalScreenshot Request(FBed->Bus(), WaitMs);
        QSignalSpy Finished(&Request, &camera::TPortalScreenshot::Finished);
        Request.Start();
        QTRY_COMPARE_WITH_TIMEOUT(Control("Waiting").toUInt(), 1u, WaitMs);
        QVERIFY(Control("Answer", {Code, Uri}).toBool());
        QTRY_COMPARE_WITH_TIMEOUT(Finished.size(), 1, WaitMs);
        const QImage Image = Finished.first().at(0).value<QImage>();
        QCOMPARE(Finished.first().at(1).toString(), Failure);
        if (Failure.isEmpty())
            QCOMPARE(Image.convertToFormat(QImage::Format_RGB32), Picture());
        else
            QVERIFY(Image.isNull());
        QCOMPARE(!QFileInfo(Path).exists() && !QFileInfo(Path).isSymLink(), Removed);
        // A link's target is the user's: never touched.
        QVERIFY(QFile::exists(Target));
    }

    // A permission dialog: the portal takes the call at once and answers much later than the
    // call may take. The answer is awaited, not given up for lost.
    void lateAnswerIsAwaited() {
        const QString Why = StartPortal();
        QVERIFY2(Why.isEmpty(), qPrintable(Why));
        const QString Png = PngFile("late.png");
        camera::TPortalScreenshot Request(FBed->Bus(), 200);
        QSignalSpy Finished(&Request, &camera::TPortalScreenshot::Finished);
        Request.Start();
        QTRY_COMPARE_WITH_TIMEOUT(Control("Waiting").toUInt(), 1u, WaitMs);
        // Five times the call's own limit: the request still waits.
        QTest::qWait(1000);
        QCOMPARE(Finished.size(), 0);
        QVERIFY(Control("Answer", {0u, QUrl::fromLocalFile(Png).toString()}).toBool());
        QTRY_COMPARE_WITH_TIMEOUT(Finished.size(), 1, WaitMs);
        QCOMPARE(Finished.first().at(1).toString(), QString());
        QVERIFY(!QFile::exists(Png));
    }

    // An answer to a request the program dropped (the user gave up waiting, or the capture was
    // ended) leaves no picture behind, and is told to nobody; the request is not withdrawn, as
    // a portal that has asked the user would write its file all the same.
    void droppedRequestLeavesNoFile() {
        const QString Why = StartPortal();
        QVERIFY2(Why.isEmpty(), qPrintable(Why));
        const QString Png = PngFile("dropped.png");
        {
            camera::TPortalScreenshot Request(FBed->Bus(), WaitMs);
            QSignalSpy Finished(&Request, &camera::TPortalScreenshot::Finished);
            Request.Start();
            QTRY_COMPARE_WITH_TIMEOUT(Control("Waiting").toUInt(), 1u, WaitMs);
            Request.Drop();
            QVERIFY(Control("Answer", {0u, QUrl::fromLocalFile(Png).toString()}).toBool());
            QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(Png), WaitMs);
            QCOMPARE(Finished.size(), 0);
        }
        // The same when the request's owner is gone before the answer.
        const QString Png2 = PngFile("dropped2.png");
        {
            camera::TPortalScreenshot Request(FBed->Bus(), WaitMs);
            Request.Start();
            QTRY_COMPARE_WITH_TIMEOUT(Control("Waiting").toUInt(), 1u, WaitMs);
        }
        QVERIFY(Control("Answer", {0u, QUrl::fromLocalFile(Png2).toString()}).toBool());
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(Png2), WaitMs);
        QCOMPARE(Control("Closed").toUInt(), 0u);
    }

    // While the desktop asks the user, a small window says what is awaited, with the program
    // going on meanwhile. An answer that comes is used and the window goes; Esc on it gives up:
    // nothing is returned, and the picture the portal still writes is removed.
    void waitWindow_data() {
        QTest::addColumn<bool>("GiveUp");
        QTest::newRow("answer comes") << false;
        QTest::newRow("user gives up") << true;
    }
    void waitWindow() {
        QFETCH(bool, GiveUp);
        const QString Why = StartPortal();
        QVERIFY2(Why.isEmpty(), qPrintable(Why));
        const QString Png = PngFile("waited.png");
        // The window is the program's to delete once the wait is over.
        QPointer<QWidget> Seen;
        bool WasSeen = false;
        QTimer Act;
        connect(&Act, &QTimer::timeout, this, [&] {
            for (QWidget *W : QApplication::topLevelWidgets())
                if (W->objectName() == "PortalWait" && W->isVisible())
                    Seen = W;
            if (!Seen)
                return;
            WasSeen = true;
            Act.stop();
            if (GiveUp)
                QTest::keyClick(Seen, Qt::Key_Escape);
            else
                Control("Answer", {0u, QUrl::fromLocalFile(Png).toString()});
        });
        Act.start(20);
        // Should the window never come, the portal answers after the test's own limit.
        QTimer::singleShot(WaitMs, this, [&] {
            if (!WasSeen)
                Control("Answer", {0u, QUrl::fromLocalFile(Png).toString()});
        });
        const QImage Image = camera::AwaitPortalScreenshot(FBed->Bus(), WaitMs);
        QVERIFY(WasSeen);
        QVERIFY(!Seen || !Seen->isVisible());
        if (!GiveUp) {
            QCOMPARE(Image.convertToFormat(QImage::Format_RGB32), Picture());
            QVERIFY(!QFile::exists(Png));
            return;
        }
        QVERIFY(Image.isNull());
        QVERIFY(QFile::exists(Png));
        QVERIFY(Control("Answer", {0u, QUrl::fromLocalFile(Png).toString()}).toBool());
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(Png), WaitMs);
    }

    // A portal that never takes the call is given up after the call's limit, with the reason.
    void silentServiceTimesOut() {
        const QString Why = StartPortal({"--silent"});
        QVERIFY2(Why.isEmpty(), qPrintable(Why));
        QString Message;
        try {
            camera::TakePortalScreenshot(FBed->Bus(), 300);
        } catch (const camera::TCaptureFailure &E) {
            Message = QString::fromUtf8(E.what());
        }
        QCOMPARE(Message, QStringLiteral("截图失败：桌面的截图服务没有应答。"));
    }
};

QTEST_MAIN(tst_PortalRequest)
#include "tst_portalrequest.moc"
