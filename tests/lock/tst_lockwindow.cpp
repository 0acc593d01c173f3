#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "lock/FolderLock.h"
#include "lock/LockWindow.h"

// Lock.exe's window: its boxes are answered as soon as they appear, their texts kept.
class tst_LockWindow : public QObject {
    Q_OBJECT

    QStringList FBoxes;
    // Answers the next box, whenever it comes: a run lets events through before its box.
    void AnswerBoxes() {
        auto *Poll = new QTimer(this);
        connect(Poll, &QTimer::timeout, this, [this, Poll] {
            if (auto *Box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                FBoxes << Box->text();
                Box->accept();
                Poll->stop();
                Poll->deleteLater();
            }
        });
        Poll->start(0);
    }
    void Press(TLockWindow &W, const QString &Password, const QString &Confirm = {}) {
        W.findChild<QLineEdit *>("Password")->setText(Password);
        W.findChild<QLineEdit *>("Confirm")->setText(Confirm);
        AnswerBoxes();
        W.findChild<QPushButton *>("Execute")->click();
    }

private slots:
    void initTestCase() { qputenv("QCLOCK_TEST_WEAK_KDF", "1"); }
    void init() { FBoxes.clear(); }

    void LockThenUnlock() {
        QTemporaryDir Temp;
        QFile F(Temp.path() + "/doc.txt");
        QVERIFY(F.open(QIODevice::WriteOnly));
        F.write("content");
        F.close();
        {
            TLockWindow W(Temp.path(), "Lock.exe");
            W.show();
            QCOMPARE(W.findChild<QPushButton *>("Execute")->text(), QString("加密"));
            QVERIFY(W.findChild<QLineEdit *>("Confirm")->isVisible());
            Press(W, "");
            Press(W, "abc", "abd");
            QVERIFY(QFile::exists(Temp.path() + "/doc.txt"));
            Press(W, "abc", "abc");
            QCOMPARE(FBoxes,
                     QStringList({"密码不能为空。", "两次输入的密码不一致。", "加密成功。"}));
            QVERIFY(!W.isVisible());
            QVERIFY(!QFile::exists(Temp.path() + "/doc.txt"));
        }
        FBoxes.clear();
        TLockWindow W(Temp.path(), "Lock.exe");
        W.show();
        QCOMPARE(W.findChild<QPushButton *>("Execute")->text(), QString("解密"));
        QVERIFY(!W.findChild<QLineEdit *>("Confirm")->isVisible());
        Press(W, "abd");
        QVERIFY(W.isVisible());
        Press(W, "abc");
        QCOMPARE(FBoxes, QStringList({"密码错误。", "解密成功。"}));
        QVERIFY(QFile::exists(Temp.path() + "/doc.txt"));
        QVERIFY(!TFolderLock(Temp.path(), "Lock.exe").IsLocked());
    }

    void APartlyLockedFolderSaysSo() {
        QTemporaryDir Temp;
        for (const char *Name : {"a.txt", "b.txt", "c.txt"}) {
            QFile F(Temp.path() + "/" + Name);
            QVERIFY(F.open(QIODevice::WriteOnly));
            F.write(Name);
        }
        // A lock that stopped after the first entry (reports: the start, a.txt, its bytes).
        TFolderLock L(Temp.path(), "Lock.exe");
        int Left = 3;
        L.OnProgress = [&Left](const TFolderLock::TProgress &) { return Left-- > 0; };
        QCOMPARE(L.Lock("abc"), TFolderLock::TResult::Failed);
        for (const bool Unlock : {false, true}) {
            FBoxes.clear();
            TLockWindow W(Temp.path(), "Lock.exe");
            W.show();
            const QString State = W.findChild<QLabel *>("State")->text();
            QVERIFY2(State.contains("未完全加密") &&
                         State.contains(QString::number(Unlock ? 1 : 2)),
                     qPrintable(State));
            QCOMPARE(W.findChild<QPushButton *>("Execute")->text(), QString("加密"));
            QVERIFY(W.findChild<QPushButton *>("Unlock")->isVisible());
            // The password is the one already recorded: no second field.
            QVERIFY(!W.findChild<QLineEdit *>("Confirm")->isVisible());
            W.findChild<QLineEdit *>("Password")->setText("abc");
            AnswerBoxes();
            W.findChild<QPushButton *>(Unlock ? "Unlock" : "Execute")->click();
            QCOMPARE(FBoxes, QStringList({Unlock ? "解密成功。" : "加密成功。"}));
            QCOMPARE(TFolderLock(Temp.path(), "Lock.exe").State(),
                     Unlock ? TFolderLock::TState::Unlocked : TFolderLock::TState::Locked);
            if (!Unlock) {
                // Partly locked again: something new appears in the locked folder.
                QFile F(Temp.path() + "/d.txt");
                QVERIFY(F.open(QIODevice::WriteOnly));
            }
        }
        QVERIFY(QFile::exists(Temp.path() + "/a.txt") && QFile::exists(Temp.path() + "/d.txt"));
    }

    // The window shows the files and bytes done, and its 取消 stops the run with nothing lost.
    void ProgressAndCancel() {
        QTemporaryDir Temp;
        for (int I = 0; I < 300; ++I) {
            QFile F(Temp.path() + QString("/file-%1.txt").arg(I));
            QVERIFY(F.open(QIODevice::WriteOnly));
            F.write(QByteArray(20000, char('a' + I % 26)));
        }
        TLockWindow W(Temp.path(), "Lock.exe");
        W.show();
        auto *Done = W.findChild<QLabel *>("Done");
        auto *Cancel = W.findChild<QPushButton *>("Cancel");
        QVERIFY(!Cancel->isVisible());
        QStringList Seen;
        // Pressed by the user while the run shows its progress (the run processes events).
        QTimer Watch;
        connect(&Watch, &QTimer::timeout, this, [&] {
            if (!W.Running() || !Cancel->isVisible())
                return;
            Seen << Done->text();
            if (Seen.size() == 2)
                Cancel->click();
        });
        Watch.start(0);
        W.findChild<QLineEdit *>("Password")->setText("abc");
        W.findChild<QLineEdit *>("Confirm")->setText("abc");
        AnswerBoxes();
        W.findChild<QPushButton *>("Execute")->click();
        Watch.stop();
        QVERIFY2(Seen.size() >= 2, qPrintable(Seen.join('|')));
        QVERIFY2(Seen.last().contains(" / 300 个文件"), qPrintable(Seen.last()));
        QVERIFY2(FBoxes.size() == 1, qPrintable(FBoxes.join('|')));
        QVERIFY2(FBoxes[0].contains("已停止"), qPrintable(FBoxes[0]));
        QVERIFY(W.isVisible());
        QCOMPARE(TFolderLock(Temp.path(), "Lock.exe").State(), TFolderLock::TState::Partial);
        QVERIFY(W.findChild<QLabel *>("State")->text().contains("未完全加密"));
        // Unlocking brings back every file.
        FBoxes.clear();
        W.findChild<QLineEdit *>("Password")->setText("abc");
        AnswerBoxes();
        W.findChild<QPushButton *>("Unlock")->click();
        QCOMPARE(FBoxes, QStringList({"解密成功。"}));
        for (int I = 0; I < 300; ++I) {
            QFile F(Temp.path() + QString("/file-%1.txt").arg(I));
            QVERIFY(F.open(QIODevice::ReadOnly));
            QCOMPARE(F.readAll(), QByteArray(20000, char('a' + I % 26)));
        }
    }
};

QTEST_MAIN(tst_LockWindow)
#include "tst_lockwindow.moc"
