#include "helpers.h"

#include <QLocale>
#include <QTest>
#include <chrono>
#include <ctime>
#include <sys/resource.h>

class TestHelpers : public QObject
{
    Q_OBJECT

private slots:
    void trimming_data();
    void trimming();
    void removeChars();
    void fileNumbers_data();
    void fileNumbers();
    void fileNoRejectsNonDecimal();
    void leftRightZero();
    void splitHead_data();
    void splitHead();
    void dateAndTime();
    void waitSleepsInsteadOfSpinning();
    void waitReturnsAtOnceForNoTime();
    void strToIntIsStrict_data();
    void strToIntIsStrict();
};

void TestHelpers::trimming_data()
{
    QTest::addColumn<bool>("right");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("set");
    QTest::addColumn<QString>("expected");
    QTest::newRow("decimal trailing zeros") << true << "12.500"
                                            << " 0"
                                            << "12.5";
    QTest::newRow("zeros only right") << true << "0000"
                                      << " 0"
                                      << "";
    QTest::newRow("empty right") << true << ""
                                 << " 0"
                                 << "";
    QTest::newRow("blanks and zeros mixed") << true << "12.0 0 "
                                            << " 0"
                                            << "12.";
    QTest::newRow("nothing to trim") << true << "125"
                                     << " 0"
                                     << "125";
    QTest::newRow("leading blank and zeros") << false << " 0012"
                                             << " 0"
                                             << "12";
    QTest::newRow("zeros only left") << false << "000"
                                     << "0"
                                     << "";
    QTest::newRow("inner zeros stay") << false << "00102"
                                      << "0"
                                      << "102";
    QTest::newRow("set order and repeats") << false << "0 0 7"
                                           << "00  "
                                           << "7";
    QTest::newRow("comma set") << false << ",,5,6"
                               << ","
                               << "5,6";
}

void TestHelpers::trimming()
{
    QFETCH(bool, right);
    QFETCH(QString, text);
    QFETCH(QString, set);
    QFETCH(QString, expected);
    QCOMPARE(right ? TrimRightChars(text, set) : TrimLeftChars(text, set), expected);
}

void TestHelpers::removeChars()
{
    QCOMPARE(RemoveChars("L18, L7, L8, L34, H2, H6, H8, L4, P4, L123, L124, L12", " "),
             QString("L18,L7,L8,L34,H2,H6,H8,L4,P4,L123,L124,L12"));
    QCOMPARE(RemoveChars("Temp. (&T)-Justierung", "&"), QString("Temp. (T)-Justierung"));
    QCOMPARE(RemoveChars("P311", "P"), QString("311"));
    QCOMPARE(RemoveChars("2.05", "."), QString("205"));
    QCOMPARE(RemoveChars("", "abc"), QString());
}

void TestHelpers::fileNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("expected");
    QTest::newRow("decimal") << "999"
                             << "DEC" << 999;
    QTest::newRow("decimal wraps above 65535") << "70000"
                                               << "DEC" << 4464;
    QTest::newRow("negative wraps") << "-1"
                                    << "DEC" << 65535;
    QTest::newRow("base 36") << "0rr"
                             << "0-Z" << 999;
    QTest::newRow("type is case-sensitive") << "999"
                                            << "0-z" << 999;
    QTest::newRow("one char is the 36^2 digit") << "1"
                                                << "0-Z" << 1296;
    QTest::newRow("largest") << "ZZZ"
                             << "0-Z" << 46655;
    QTest::newRow("A") << "A"
                       << "0-Z" << 12960;
    QTest::newRow("foreign chars count 0") << "1-1"
                                           << "0-Z" << 1297;
    QTest::newRow("past the third ignored") << "001Z"
                                            << "0-Z" << 1;
}

void TestHelpers::fileNumbers()
{
    QFETCH(QString, text);
    QFETCH(QString, type);
    QFETCH(int, expected);
    QCOMPARE(int(FileNoToInt(text, type)), expected);
    if (type == "0-Z")
        QCOMPARE(int(Base36ToInt(text)), expected);
}

void TestHelpers::fileNoRejectsNonDecimal()
{
    QVERIFY_THROWS_EXCEPTION(ConversionError, FileNoToInt("0rr", "DEC"));
    QVERIFY_THROWS_EXCEPTION(ConversionError, FileNoToInt("", "DEC"));
}

void TestHelpers::leftRightZero()
{
    QCOMPARE(LeftChars("12345678901", 8), QString("12345678"));
    QCOMPARE(LeftChars("abc", 8), QString("abc"));
    QCOMPARE(RightChars("ab", 2), QString("ab"));
    QCOMPARE(RightChars("abcdef", 2), QString("ef"));
    QCOMPARE(RightChars("abc", 0), QString());
    QCOMPARE(ZeroIfEmpty(""), QString("0"));
    QCOMPARE(ZeroIfEmpty("5"), QString("5"));
}

void TestHelpers::splitHead_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("head");
    QTest::addColumn<QString>("rest");
    QTest::newRow("program file name") << "pxrq60.exe"
                                       << "pxrq60"
                                       << "exe";
    QTest::newRow("two dots cut at the first") << "a.b.c"
                                               << "a"
                                               << "b.c";
    QTest::newRow("no separator") << "pxrq60"
                                  << "pxrq60"
                                  << "";
    QTest::newRow("separator first") << ".x"
                                     << ""
                                     << "x";
    QTest::newRow("empty") << ""
                           << ""
                           << "";
}

void TestHelpers::splitHead()
{
    QFETCH(QString, text);
    QFETCH(QString, head);
    QFETCH(QString, rest);
    QString h;
    SplitHead(text, '.', h);
    QCOMPARE(h, head);
    QCOMPARE(text, rest);
}

void TestHelpers::dateAndTime()
{
    const QLocale loc = QLocale::system();
    const QDate d(2026, 12, 8);
    QCOMPARE(DateTextShort(loc.toString(d, QLocale::ShortFormat)), QString("08.12.26"));
    QCOMPARE(DateTextShort("24.02.27"), QString("24.02.27"));
    QCOMPARE(DateTextShort("31.02.27"), QString());
    QCOMPARE(DateTextShort("no date"), QString());
    QCOMPARE(DateTextShort(""), QString());
    QString longFormat = loc.timeFormat(QLocale::LongFormat);
    longFormat.remove('t');
    const QString t = TimeTextLong(loc.toString(QTime(7, 5, 9), longFormat.trimmed()));
    QCOMPARE(t.left(2), QString("07"));
    QCOMPARE(t.mid(3, 2), QString("05"));
    QCOMPARE(t.right(2), QString("09"));
    QCOMPARE(TimeTextLong("13:45:00"), QString("13") + t.at(2) + "45" + t.at(2) + "00");
    QCOMPARE(TimeTextLong("no time"), QString());
    QCOMPARE(TimeTextLong("25:00:00"), QString());
}

static double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_THREAD, &u); // this thread only: not the test framework's watchdog
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void TestHelpers::waitSleepsInsteadOfSpinning()
{
    const double cpu0 = cpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    WaitMs(300);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double cpu = cpuSeconds() - cpu0;
    QVERIFY2(wall >= 0.300, qPrintable(QString("returned after %1 s").arg(wall)));
    QVERIFY2(cpu < 0.1 * 0.300, qPrintable(QString("used %1 s of CPU").arg(cpu)));
}

void TestHelpers::waitReturnsAtOnceForNoTime()
{
    const auto t0 = std::chrono::steady_clock::now();
    WaitMs(0);
    WaitMs(-5000);
    QVERIFY(std::chrono::steady_clock::now() - t0 < std::chrono::milliseconds(50));
}

void TestHelpers::strToIntIsStrict_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("plain") << "20000" << true;
    QTest::newRow("signed") << "-1" << true;
    QTest::newRow("plus") << "+3" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("letters") << "abc" << false;
    QTest::newRow("blank inside") << "1 2" << false;
    QTest::newRow("leading blank") << " 12" << false;
    QTest::newRow("decimal point") << "1.5" << false;
    QTest::newRow("beyond 32 bits") << "4294967296" << false;
}

void TestHelpers::strToIntIsStrict()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    bool threw = false;
    try {
        StrToInt(text);
    } catch (const ConversionError &e) {
        threw = true;
        QCOMPARE(e.text(), text);
    }
    QCOMPARE(threw, !valid);
}

QTEST_GUILESS_MAIN(TestHelpers)
#include "tst_helpers.moc"
