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
    void dateAndTimeInLocales_data();
    void dateAndTimeInLocales();
    void waitSleepsInsteadOfSpinning();
    void waitSleepsOnceToTheDeadline();
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
    QTest::newRow("lower case") << "zzz"
                                << "0-Z" << 46655;
    // Full Unicode upper-casing would make "SS1" of it.
    QTest::newRow("sharp s is no digit") << QString::fromUtf8("ß1") << "0-Z" << 36;
    QTest::newRow("other letters are no digits") << QString::fromUtf8("äÄ1") << "0-Z" << 1;
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
    // Beyond 32 bits: no number, not its low bits (4294967297 would give 1).
    QVERIFY_THROWS_EXCEPTION(ConversionError, FileNoToInt("4294967297", "DEC"));
    QVERIFY_THROWS_EXCEPTION(ConversionError, FileNoToInt("-2147483649", "DEC"));
    QCOMPARE(int(FileNoToInt("2147483647", "DEC")), 65535);
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

void TestHelpers::dateAndTimeInLocales_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    const char *const locales[] = {"C", "de_DE", "en_US"};
    for (const char *l : locales) {
        auto row = [&](const char *name, const char *text, const char *date, const char *time) {
            QTest::addRow("%s: %s", l, name) << l << text << date << time;
        };
        // The device's own day.month.year form reads in every locale.
        row("device date", "24.02.27", "24.02.27", "");
        row("leap day of 2000", "29.02.00", "29.02.00", "");
        row("one-digit day and month", "1.2.24", "01.02.24", "");
        row("four-digit year", "08.12.2026", "08.12.26", "");
        row("no leap day in 2023", "29.02.23", "", "");
        row("31 February", "31.02.27", "", "");
        row("date-time", "01.02.24 12:34:56", "", "12:34:56");
        row("date-time without seconds", "1.2.24 7:05", "", "07:05:00");
        row("leap-day date-time", "29.02.00 23:59:59", "", "23:59:59");
        row("time alone", "13:45:00", "", "13:45:00");
        row("hour 24", "24:00:00", "", "");
        row("minute 60", "12:60:00", "", "");
        row("no date", "no date", "", "");
        row("empty", "", "", "");
        row("date-time with a bad date", "31.02.24 12:00:00", "", "");
    }
    QTest::newRow("de_DE: locale's own short date") << "de_DE"
                                                    << "08.12.26"
                                                    << "08.12.26"
                                                    << "";
    // The locale's order where its own separator is used.
    QTest::newRow("en_US: month first") << "en_US"
                                        << "2/29/00"
                                        << "29.02.00"
                                        << "";
    QTest::newRow("en_US: 12-hour time") << "en_US"
                                         << "1:05:09 PM"
                                         << ""
                                         << "13:05:09";
    QTest::newRow("en_US: midnight") << "en_US"
                                     << "12/8/26 12:00:00 AM"
                                     << ""
                                     << "00:00:00";
    QTest::newRow("en_US: hour 13 PM") << "en_US"
                                       << "13:00:00 PM"
                                       << ""
                                       << "";
}

void TestHelpers::dateAndTimeInLocales()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(QString, date);
    QFETCH(QString, time);
    const QLocale loc = locale == "C" ? QLocale::c() : QLocale(locale);
    QCOMPARE(DateTextShort(text, loc), date);
    QCOMPARE(TimeTextLong(text, loc), time);
}

static long voluntarySwitches()
{
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return u.ru_nvcsw;
}

void TestHelpers::waitSleepsOnceToTheDeadline()
{
    // Every wake-up of a sleeping thread is one voluntary context switch: a
    // wait that polls each millisecond makes hundreds of them.
    const long before = voluntarySwitches();
    const auto t0 = std::chrono::steady_clock::now();
    WaitMs(300);
    const auto waited = std::chrono::steady_clock::now() - t0;
    const long switches = voluntarySwitches() - before;
    QVERIFY(waited >= std::chrono::milliseconds(300));
    QVERIFY2(switches <= 5, qPrintable(QString("%1 wake-ups").arg(switches)));
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
