// TScreenShot after a capture that could not start because the desktop would not give its
// screens: the library's reason is shown; a cancelled capture (no reason) still says nothing.
#include <QApplication>
#include <QTest>

#include "dialogs/Dialogs.h"
#include "tools/ScreenShot.h"

namespace {

const char *Reason = "";
int32_t Failed() {
    return 0;
}
const char *LastFailure() {
    return Reason;
}

} // namespace

class tst_ScreenShotFailure : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void reasonShownOnlyForFailure_data() {
        QTest::addColumn<QByteArray>("Why");
        QTest::addRow("desktop refused") << QByteArray("截图失败：桌面拒绝了截图请求。");
        QTest::addRow("cancelled") << QByteArray();
    }
    void reasonShownOnlyForFailure() {
        QFETCH(QByteArray, Why);
        Reason = Why.constData();
        Dialogs::TDialogScript Script;
        TScreenShot::TCameraFunctions Functions{&Failed, &Failed, &Failed};
        Functions.LastFailure = &LastFailure;
        TScreenShot Shot(Functions);
        for (int32_t (TScreenShot::*Manner)() :
             {&TScreenShot::CameraSubArea, &TScreenShot::CameraWindow,
              &TScreenShot::CameraWindowLikeSpy}) {
            Script.Clear();
            QCOMPARE((Shot.*Manner)(), 0);
            if (Why.isEmpty()) {
                QVERIFY(Script.Shown().isEmpty());
            } else {
                QCOMPARE(Script.Shown().size(), 1);
                QCOMPARE(Script.Shown()[0].Kind, QString("message"));
                QCOMPARE(Script.Shown()[0].Text, QString::fromUtf8(Why));
            }
        }
        Reason = "";
    }
};

QTEST_MAIN(tst_ScreenShotFailure)
#include "tst_screenshotfailure.moc"
