// Reading the countdown box as a number and writing a number back.

#include "schedule/count_text.h"

#include <QTest>

#include <cmath>

using schedule::readCount;
using schedule::writeCount;

class TestCountText : public QObject {
    Q_OBJECT

private slots:
    void readsNumbers_data();
    void readsNumbers();
    void refusesTextThatIsNoNumber_data();
    void refusesTextThatIsNoNumber();
    void writesPlainDecimalText_data();
    void writesPlainDecimalText();
    void roundTripsEveryCountTheBoxCanHold();
    void honoursTheUsersDecimalPoint();
};

void TestCountText::readsNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("60") << "60" << 60.0;
    QTest::newRow("0") << "0" << 0.0;
    QTest::newRow("00") << "00" << 0.0;
    QTest::newRow("leading zeros") << "0060" << 60.0;
    QTest::newRow("negative") << "-1" << -1.0;
    QTest::newRow("negative zero") << "-0" << 0.0;
    QTest::newRow("plus") << "+5" << 5.0;
    QTest::newRow("seven digits") << "9999999" << 9999999.0;
    QTest::newRow("eight digits") << "12345678" << 12345678.0;
    QTest::newRow("twenty digits") << "12345678901234567890" << 12345678901234567890.0;
    QTest::newRow("fraction") << "1.5" << 1.5;
    QTest::newRow("fraction without whole part") << ".5" << 0.5;
    QTest::newRow("point without fraction") << "5." << 5.0;
    QTest::newRow("exponent") << "1e3" << 1000.0;
    QTest::newRow("surrounding spaces") << "  42 " << 42.0;
}

void TestCountText::readsNumbers()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    const auto read = readCount(text);
    QVERIFY2(read, qPrintable(text));
    QCOMPARE(*read, value);
}

void TestCountText::refusesTextThatIsNoNumber_data()
{
    QTest::addColumn<QString>("text");
    for (const char* text : {"", " ", "   ", "-", "+", ".", "-.", "abc", "6o", "60s", "1,5", "1e", "1e+", "0x10",
                             "inf", "nan", "1e999", "- 5", "5 5", "--5"})
        QTest::newRow(text) << QString::fromLatin1(text);
    QTest::newRow("full-width digits") << QStringLiteral("６０");
}

void TestCountText::refusesTextThatIsNoNumber()
{
    QFETCH(QString, text);
    QVERIFY(!readCount(text));
}

void TestCountText::writesPlainDecimalText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("59") << 59.0 << "59";
    QTest::newRow("0") << 0.0 << "0";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("-1") << -1.0 << "-1";
    QTest::newRow("-1000000") << -1000000.0 << "-1000000";
    QTest::newRow("9999998") << 9999998.0 << "9999998";
    QTest::newRow("fraction") << 0.5 << "0.5";
    QTest::newRow("negative fraction") << -0.5 << "-0.5";
    QTest::newRow("large whole") << 12345678901234.0 << "12345678901234";
    QTest::newRow("huge") << 1e300 << "1e+300";
}

void TestCountText::writesPlainDecimalText()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(writeCount(value), text);
}

void TestCountText::roundTripsEveryCountTheBoxCanHold()
{
    for (double v : {-999999.0, -1.0, 0.0, 1.0, 59.0, 3600.0, 9999999.0, 1.25, -0.75})
        QCOMPARE(*readCount(writeCount(v)), v);
}

void TestCountText::honoursTheUsersDecimalPoint()
{
    QCOMPARE(writeCount(1.5, u','), QStringLiteral("1,5"));
    QCOMPARE(*readCount(QStringLiteral("1,5"), u','), 1.5);
    QCOMPARE(*readCount(QStringLiteral("1.5"), u','), 1.5);
}

QTEST_APPLESS_MAIN(TestCountText)
#include "test_count_text.moc"
