// OLE dates from table Task, including values no date can hold.
#include <QTest>
#include <cmath>
#include <limits>

#include "tasks/OleDate.h"
#include "tasks/TaskManager.h"

class tst_OleDate : public QObject {
    Q_OBJECT
private slots:
    void DatesInRange_data() {
        QTest::addColumn<double>("Value");
        QTest::addColumn<QDate>("Expected");
        QTest::newRow("day zero") << 0.0 << QDate(1899, 12, 30);
        QTest::newRow("with a time") << 46000.75 << QDate(2025, 12, 9);
        QTest::newRow("before day zero") << -1.25 << QDate(1899, 12, 29);
        QTest::newRow("first day") << -657434.0 << QDate(100, 1, 1);
        QTest::newRow("first day, late") << -657434.99 << QDate(100, 1, 1);
        QTest::newRow("last day") << 2958465.0 << QDate(9999, 12, 31);
        QTest::newRow("last day, late") << 2958465.999 << QDate(9999, 12, 31);
    }
    void DatesInRange() {
        QFETCH(double, Value);
        QFETCH(QDate, Expected);
        QCOMPARE(OleDate::ToDate(Value), Expected);
        QCOMPARE(OleDate::FromDate(Expected), std::trunc(Value));
    }

    void ValuesNoDateCanHoldAreRejected_data() {
        QTest::addColumn<double>("Value");
        QTest::newRow("a day before the first") << -657435.0;
        QTest::newRow("a day after the last") << 2958466.0;
        QTest::newRow("1e9 days") << 1e9;
        // From about 9.2e18 the whole days no longer fit a 64-bit integer.
        QTest::newRow("9.2e18") << 9.2e18;
        QTest::newRow("2^63") << 9223372036854775808.0;
        QTest::newRow("-2^63") << -9223372036854775808.0;
        QTest::newRow("1e300") << 1e300;
        QTest::newRow("largest") << std::numeric_limits<double>::max();
        QTest::newRow("lowest") << std::numeric_limits<double>::lowest();
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity();
        QTest::newRow("-infinity") << -std::numeric_limits<double>::infinity();
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN();
    }
    void ValuesNoDateCanHoldAreRejected() {
        QFETCH(double, Value);
        QVERIFY(!OleDate::ToDate(Value).isValid());
        QCOMPARE(OleDate::ShortDateText(OleDate::ToDate(Value)), QString());
        // The time of day of such a value is still a time (midnight or its fraction).
        QVERIFY(OleDate::ToTime(Value).isValid());
        // A task starting on no date is never due, whatever its recurrence.
        for (const char *ExecType : {"每天", "每星期", "每月", "每年", "指定日期"})
            QVERIFY2(!TTaskManager::IsDue(QString::fromUtf8(ExecType), Value, QDate(2025, 12, 9)),
                     ExecType);
    }
};

QTEST_GUILESS_MAIN(tst_OleDate)
#include "tst_oledate.moc"
