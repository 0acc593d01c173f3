// The pages that ship with the program: every one loads offline without a script error, links
// only to pages that exist, and each small game answers the player.
#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QWebEngineView>

#include "WebTestSupport.h"
#include "app/Portal.h"

namespace {

QStringList AllPages() {
    QStringList Pages;
    QDirIterator It(":/portal", {"*.html"}, QDir::Files, QDirIterator::Subdirectories);
    while (It.hasNext())
        Pages << "qrc" + It.next();
    Pages.sort();
    return Pages;
}

} // namespace

class tst_PortalPages : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void PagesNeedNothingFromOutside();
    void PagesLoadCleanlyAndLinkInside();
    void Game2048MovesTiles();
    void SnakeTurnsAndRuns();
    void MinesOpenOnClick();
    void GomokuAnswersAStone();
    void BlocksMoveAndFall();

private:
    // Loads a page into a shown view and waits for it.
    bool Open(const QString &Url);
    QVariantMap State();
    void Key(Qt::Key K);
    void Click(const QVariantList &At);

    QWebEngineView *FView = nullptr;
    TConsolePage *FPage = nullptr;
};

void tst_PortalPages::init() {
    FView = new QWebEngineView;
    FPage = new TConsolePage(FView);
    FView->setPage(FPage);
    FView->resize(1000, 730);
    FView->show();
    QVERIFY(QTest::qWaitForWindowExposed(FView));
}

void tst_PortalPages::cleanup() {
    QVERIFY2(FPage->Errors.isEmpty(), qPrintable(FPage->Errors.join('\n')));
    delete FView;
    FView = nullptr;
}

bool tst_PortalPages::Open(const QString &Url) {
    QSignalSpy Loaded(FView, &QWebEngineView::loadFinished);
    FView->load(QUrl(Url));
    const bool Ok = WaitLoaded(Loaded);
    FView->activateWindow();
    FView->setFocus();
    return Ok;
}

QVariantMap tst_PortalPages::State() {
    return QJsonDocument::fromJson(RunJs(FView, "JSON.stringify(window.gameState())").toByteArray())
        .toVariant()
        .toMap();
}

void tst_PortalPages::Key(Qt::Key K) {
    QTest::keyClick(FView->focusProxy(), K);
}

void tst_PortalPages::Click(const QVariantList &At) {
    QTest::mouseClick(FView->focusProxy(), Qt::LeftButton, {},
                      QPoint(At.value(0).toInt(), At.value(1).toInt()));
}

void tst_PortalPages::PagesNeedNothingFromOutside() {
    const QStringList Pages = AllPages();
    QVERIFY(Pages.contains(Portal::HomePage()));
    QVERIFY(Pages.contains(Portal::AdvertPage()));
    QVERIFY(Pages.size() >= 13);
    const QRegularExpression Outside(
        R"((src|href)\s*=\s*["']?\s*(https?:|//)|url\(|@import|<link\b)",
        QRegularExpression::CaseInsensitiveOption);
    for (const QString &Page : Pages) {
        QFile F(":" + QUrl(Page).path());
        QVERIFY(F.open(QIODevice::ReadOnly));
        const QString Text = QString::fromUtf8(F.readAll());
        QVERIFY2(!Outside.match(Text).hasMatch(), qPrintable(Page));
        QVERIFY2(Text.contains("<meta charset=\"utf-8\">"), qPrintable(Page));
    }
}

void tst_PortalPages::PagesLoadCleanlyAndLinkInside() {
    for (const QString &Page : AllPages()) {
        QVERIFY2(Open(Page), qPrintable(Page));
        QVERIFY2(!RunJs(FView, "document.title").toString().isEmpty(), qPrintable(Page));
        const QStringList Links =
            RunJs(FView, "Array.from(document.links).map(a => a.href)").toStringList();
        for (const QString &Link : Links) {
            const QUrl Url(Link);
            QVERIFY2(Url.scheme() == "qrc" && QFile::exists(":" + Url.path()),
                     qPrintable(Page + " -> " + Link));
        }
        QVERIFY2(FPage->Errors.isEmpty(), qPrintable(FPage->Errors.join('\n')));
    }
}

void tst_PortalPages::Game2048MovesTiles() {
    QVERIFY(Open(Portal::GamePage(1)));
    const QVariantMap Before = State();
    QCOMPARE(Before.value("moves").toInt(), 0);
    int Tiles = 0;
    for (const QVariant &V : Before.value("board").toList())
        Tiles += V.toInt() ? 1 : 0;
    QCOMPARE(Tiles, 2);
    // Two tiles can always move in one of the four directions.
    for (Qt::Key K : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down})
        Key(K);
    // The page takes the keys in its own time; the script that reads its state may come first.
    QTRY_VERIFY(State().value("moves").toInt() >= 1);
    QVERIFY(State().value("board") != Before.value("board"));
}

void tst_PortalPages::SnakeTurnsAndRuns() {
    QVERIFY(Open(Portal::GamePage(2)));
    const QVariantMap Before = State();
    QCOMPARE(Before.value("started").toBool(), false);
    QCOMPARE(Before.value("dir").toString(), QString("right"));
    Key(Qt::Key_Up);
    QTRY_COMPARE(State().value("started").toBool(), true);
    QCOMPARE(State().value("dir").toString(), QString("up"));
    const int Row = Before.value("head").toList().value(1).toInt();
    QTRY_VERIFY(State().value("head").toList().value(1).toInt() < Row);
    QVERIFY(State().value("alive").toBool());
}

void tst_PortalPages::MinesOpenOnClick() {
    QVERIFY(Open(Portal::GamePage(3)));
    QCOMPARE(State().value("revealed").toInt(), 0);
    // The first click never meets a mine, and its empty surroundings open with it.
    Click(RunJs(FView, "cellCentre(40)").toList());
    QTRY_VERIFY(State().value("laid").toBool());
    const QVariantMap After = State();
    QVERIFY(After.value("laid").toBool());
    QVERIFY(After.value("revealed").toInt() >= 1);
    QCOMPARE(After.value("over").toBool(), After.value("won").toBool());

    // A right click plants a flag on a cell still closed, and a second one takes it away.
    const int Closed = RunJs(FView, "[...Array(81).keys()].find(i => !cellOpen(i)) ?? -1").toInt();
    QVERIFY(Closed >= 0);
    const QVariantList At = RunJs(FView, QString("cellCentre(%1)").arg(Closed)).toList();
    const QPoint Point(At.value(0).toInt(), At.value(1).toInt());
    QTest::mouseClick(FView->focusProxy(), Qt::RightButton, {}, Point);
    QTRY_COMPARE(State().value("flags").toInt(), 1);
    QTest::mouseClick(FView->focusProxy(), Qt::RightButton, {}, Point);
    QTRY_COMPARE(State().value("flags").toInt(), 0);
}

void tst_PortalPages::GomokuAnswersAStone() {
    QVERIFY(Open(Portal::GamePage(4)));
    QCOMPARE(State().value("stones").toInt(), 0);
    Click(RunJs(FView, "pointCentre(7, 7)").toList());
    QTRY_COMPARE(State().value("white").toInt(), 1);
    QCOMPARE(State().value("black").toInt(), 1);
    // A click on an occupied point changes nothing. The page handles clicks in order, so once a
    // later click on a free corner has its stone and its answer, the board holds exactly four.
    Click(RunJs(FView, "pointCentre(7, 7)").toList());
    Click(RunJs(FView, "pointCentre(0, 0)").toList());
    QTRY_VERIFY(
        RunJs(FView, "grid[0] === BLACK && gameState().white === gameState().black").toBool());
    QCOMPARE(State().value("stones").toInt(), 4);
}

void tst_PortalPages::BlocksMoveAndFall() {
    QVERIFY(Open(Portal::GamePage(5)));
    const int X = State().value("piece").toMap().value("x").toInt();
    Key(Qt::Key_Left);
    QTRY_COMPARE(State().value("piece").toMap().value("x").toInt(), X - 1);
    Key(Qt::Key_Space);
    // The hard drop locked the piece and scored it; a new one is falling from the top.
    QTRY_VERIFY(State().value("score").toInt() > 0);
    const QVariantMap After = State();
    QVERIFY(After.value("piece").toMap().value("y").toInt() <= 0);
    QVERIFY(!After.value("over").toBool());
}

int main(int argc, char **argv) {
    PrepareWebEngine();
    QApplication App(argc, argv);
    tst_PortalPages Test;
    return QTest::qExec(&Test, argc, argv);
}

#include "tst_portalpages.moc"
