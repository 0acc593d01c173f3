// Without a QApplication, or without a screen anyone sees, a capture ends at once with 0 instead
// of waiting for a pick that cannot come.
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include "camera/CameraDll.h"

namespace {
bool AllZero() {
    return CameraSubArea() == 0 && CameraWindow() == 0 && CameraWindowLikeSpy() == 0;
}
} // namespace

class tst_CameraNoScreen : public QObject {
    Q_OBJECT
public:
    explicit tst_CameraNoScreen(bool ZeroWithoutApplication)
        : FZeroWithoutApplication(ZeroWithoutApplication) {}

private slots:
    void withoutApplication() { QVERIFY(FZeroWithoutApplication); }
    void offscreen() {
        QElapsedTimer T;
        T.start();
        QVERIFY(AllZero());
        QVERIFY(T.elapsed() < 5000);
    }

private:
    bool FZeroWithoutApplication;
};

int main(int argc, char **argv) {
    const bool ZeroWithoutApplication = AllZero();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    tst_CameraNoScreen Test(ZeroWithoutApplication);
    return QTest::qExec(&Test, argc, argv);
}

#include "tst_camera_noscreen.moc"
