// The windows a capture can pick on sway, read from its layout tree. sway_tree.json is the
// answer of a real headless sway 1.7 session holding two tiled windows and a floating one on the
// shown workspace, one window on a hidden workspace and one in the scratchpad.
#include <QFile>
#include <QTest>

#include "camera/linux/SwayTree.h"

class tst_SwayTree : public QObject {
    Q_OBJECT

    static QByteArray Sample() {
        QFile F(QStringLiteral(QC_SWAY_TREE_SAMPLE));
        return F.open(QIODevice::ReadOnly) ? F.readAll() : QByteArray();
    }

private Q_SLOTS:
    void shownWindowsTopmostFirst() {
        const QByteArray Json = Sample();
        QVERIFY(!Json.isEmpty());
        // The floating window above the tiled ones; title bars (25 pixels) included; nothing
        // from the hidden workspace or the scratchpad.
        const std::vector<QRect> Expected{QRect(438, 185, 404, 327), QRect(0, 0, 640, 720),
                                          QRect(640, 0, 640, 720)};
        QCOMPARE(camera::SwayTreeWindows(Json), Expected);
    }

    void fullScreenAndLaterFloatingOnTop() {
        const QByteArray Json = R"({"type":"root","nodes":[{"type":"output","name":"X-1","nodes":[
            {"type":"workspace","nodes":[
              {"type":"con","pid":10,"visible":true,"fullscreen_mode":1,
               "rect":{"x":0,"y":0,"width":800,"height":600},"deco_rect":{"height":0}}],
             "floating_nodes":[
              {"type":"floating_con","pid":11,"visible":true,
               "rect":{"x":10,"y":30,"width":100,"height":50},"deco_rect":{"height":20}},
              {"type":"floating_con","app_id":"b","visible":true,
               "rect":{"x":50,"y":60,"width":100,"height":50},"deco_rect":{"height":0}},
              {"type":"con","layout":"splitv","nodes":[
                {"type":"con","window":4242,"visible":true,
                 "rect":{"x":300,"y":300,"width":40,"height":40},"deco_rect":{"height":0}}]}]}]}]})";
        const std::vector<QRect> Expected{QRect(0, 0, 800, 600), QRect(300, 300, 40, 40),
                                          QRect(50, 60, 100, 50), QRect(10, 10, 100, 70)};
        QCOMPARE(camera::SwayTreeWindows(Json), Expected);
    }

    // Values no desktop has, whose sums (the title bar above the window) would overflow a
    // rectangle's arithmetic: such windows are left out, a sane one beside them kept.
    void absurdGeometryLeftOut_data() {
        QTest::addColumn<QByteArray>("Rect");
        QTest::addColumn<int>("Title");
        QTest::newRow("top at the lowest int, with a title bar")
            << QByteArray(R"("x":0,"y":-2147483648,"width":100,"height":100)") << 25;
        QTest::newRow("everything at the largest int")
            << QByteArray(R"("x":2147483647,"y":2147483647,"width":2147483647,"height":2147483647)")
            << 2147483647;
        QTest::newRow("height plus title beyond int")
            << QByteArray(R"("x":0,"y":0,"width":100,"height":2147483600)") << 100;
        QTest::newRow("beyond int")
            << QByteArray(R"("x":1e300,"y":0,"width":100,"height":100)") << 0;
        QTest::newRow("negative title")
            << QByteArray(R"("x":0,"y":0,"width":100,"height":100)") << -2147483647;
        QTest::newRow("negative size")
            << QByteArray(R"("x":0,"y":0,"width":-100,"height":100)") << 0;
    }
    void absurdGeometryLeftOut() {
        QFETCH(QByteArray, Rect);
        QFETCH(int, Title);
        const QByteArray Json = R"({"type":"root","nodes":[{"type":"output","name":"X-1","nodes":[
            {"type":"workspace","nodes":[
              {"type":"con","pid":10,"visible":true,"rect":{)" +
                                Rect + R"(},"deco_rect":{"height":)" + QByteArray::number(Title) +
                                R"(}},
              {"type":"con","pid":11,"visible":true,
               "rect":{"x":640,"y":20,"width":640,"height":700},"deco_rect":{"height":20}}]}]}]})";
        QCOMPARE(camera::SwayTreeWindows(Json), (std::vector<QRect>{QRect(640, 0, 640, 720)}));
    }

    void unreadableTreeGivesNothing() {
        QVERIFY(camera::SwayTreeWindows({}).empty());
        QVERIFY(camera::SwayTreeWindows("not json").empty());
        QVERIFY(camera::SwayTreeWindows("[1,2]").empty());
        QVERIFY(camera::SwayTreeWindows(Sample().left(500)).empty());
    }
};

QTEST_MAIN(tst_SwayTree)
#include "tst_swaytree.moc"
