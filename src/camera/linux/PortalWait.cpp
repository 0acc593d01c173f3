#include "PortalWait.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "../ScreenSource.h"
#include "PortalScreenshot.h"

namespace camera {

namespace {

// An answer within this time needs no word; a permission dialog takes longer.
constexpr int QuietMs = 600;

QDialog *WaitWindow() {
    auto *W = new QDialog(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint);
    W->setObjectName("PortalWait");
    W->setWindowTitle(QStringLiteral("晴川助手"));
    W->setAttribute(Qt::WA_DeleteOnClose, false);
    auto *Layout = new QVBoxLayout(W);
    Layout->addWidget(
        new QLabel(QStringLiteral("正在等待桌面允许截图……\n"
                                  "请在桌面的对话框中作答；按 Esc 或“取消”放弃本次截图。"),
                   W));
    auto *Cancel = new QPushButton(QStringLiteral("取消"), W);
    Layout->addWidget(Cancel, 0, Qt::AlignRight);
    QObject::connect(Cancel, &QPushButton::clicked, W, &QDialog::reject);
    return W;
}

} // namespace

QImage AwaitPortalScreenshot(const QDBusConnection &Bus, int CallTimeoutMs) {
    TPortalScreenshot Request(Bus, CallTimeoutMs);
    QImage Result;
    QString Failure;
    bool Done = false;
    QEventLoop Loop;
    QObject::connect(&Request, &TPortalScreenshot::Finished,
                     [&](const QImage &Image, const QString &Why) {
                         Result = Image;
                         Failure = Why;
                         Done = true;
                         Loop.quit();
                     });
    Request.Start();
    if (!Done) {
        const std::unique_ptr<QDialog> Wait(WaitWindow());
        // Given up by the user (Esc, the button, the window closed) or by the program ending.
        QObject::connect(Wait.get(), &QDialog::rejected, &Loop, &QEventLoop::quit);
        const QMetaObject::Connection Quit =
            QObject::connect(qApp, &QCoreApplication::aboutToQuit, &Loop, &QEventLoop::quit);
        QTimer::singleShot(QuietMs, Wait.get(), [&Wait] { Wait->show(); });
        // All events, user input included: the program's windows keep working meanwhile.
        Loop.exec();
        QObject::disconnect(Quit);
        Wait->hide();
    }
    if (!Done) {
        Request.Drop();
        return {};
    }
    if (Result.isNull())
        throw TCaptureFailure(Failure.toStdString());
    return Result;
}

} // namespace camera
