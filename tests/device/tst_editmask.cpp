#include "addresstable.h"
#include "editmask.h"

#include <QApplication>
#include <QLineEdit>
#include <QtTest>

class TestEditMask : public QObject
{
    Q_OBJECT
private slots:
    void conversion_data();
    void conversion();
    void roundTrip_data();
    void roundTrip();
    void manyPositions_data();
    void manyPositions();
};

void TestEditMask::conversion_data()
{
    QTest::addColumn<QString>("design");
    QTest::addColumn<QString>("qtMask");
    QTest::addColumn<int>("width");
    QTest::newRow("H1") << "!99999999.99;1;_"
                        << "00000000.00;_" << 11;
    QTest::newRow("H2") << "!99999999.9999;1;_"
                        << "00000000.0000;_" << 13;
    QTest::newRow("L18") << "999999999999;1;_"
                         << "000000000000;_" << 12;
    QTest::newRow("P3") << "!#99.9;1;_"
                        << "#00.0;_" << 5;
    QTest::newRow("P1 required digits") << "!0.0999;1;_"
                                        << "9.9000;_" << 6;
    QTest::newRow("P2") << "!9.99999;1;_"
                        << "0.00000;_" << 7;
    QTest::newRow("L157") << "!999.99;1;_"
                          << "000.00;_" << 6;
    QTest::newRow("L7 date") << "!99/99/99;1;_"
                             << "00.00.00;_" << 8;
    QTest::newRow("L8 time") << "!99:99:99;1;_"
                             << "00:00:00;_" << 8;
    QTest::newRow("P147neu") << "!9999;1;_"
                             << "0000;_" << 4;
    QTest::newRow("literal Qt reads as mask") << "99A9;1;_"
                                              << "00\\A0;_" << 4;
    QTest::newRow("no template: no mask") << ""
                                          << "" << 0;
    QTest::newRow("no blank character given") << "!99"
                                              << "00;_" << 2;
}

void TestEditMask::conversion()
{
    QFETCH(QString, design);
    QFETCH(QString, qtMask);
    QFETCH(int, width);
    const EditMask m(design);
    QCOMPARE(m.qtInputMask(), qtMask);
    QCOMPARE(m.width(), width);
}

void TestEditMask::roundTrip_data()
{
    QTest::addColumn<QString>("design");
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("shown");
    auto row = [](const char *d, const char *dev, const char *shown) {
        QTest::addRow("%s %s", d, dev) << QString(d) << QString(dev) << QString(shown);
    };
    row("!99999999.99;1;_", "00012345.67", "00012345.67");
    row("!99999999.99;1;_", "123.45", "_____123.45");
    row("!99999999.99;1;_", "123.4", "_____123.4_");
    row("!99999999.99;1;_", "0.00", "_______0.00");
    row("!99999999.9999;1;_", "12345678.1234", "12345678.1234");
    row("!99999999.9999;1;_", "5.5", "_______5.5___");
    row("999999999999;1;_", "000000012345", "000000012345");
    row("999999999999;1;_", "12345", "12345_______");
    row("!#99.9;1;_", "-20.0", "-20.0");
    row("!#99.9;1;_", "-5.0", "-_5.0");
    row("!#99.9;1;_", "40.0", "_40.0");
    row("!#99.9;1;_", "5.5", "__5.5");
    row("!0.0999;1;_", "1.0000", "1.0000");
    row("!0.0999;1;_", "0.95", "0.95__");
    row("!0.0999;1;_", "1.0", "1.0___");
    row("!9.99999;1;_", "1.01325", "1.01325");
    row("!999.99;1;_", "273.15", "273.15");
    row("!99/99/99;1;_", "08.12.26", "08.12.26");
    row("!99:99:99;1;_", "23:59:59", "23:59:59");
    row("!9999;1;_", "123", "_123");
    row("!9999;1;_", "4095", "4095");
}

// Put the device text into a real line edit with the converted mask, read
// it back with the blanks removed: the device text comes out again.
void TestEditMask::roundTrip()
{
    QFETCH(QString, design);
    QFETCH(QString, device);
    QFETCH(QString, shown);
    const EditMask m(design);
    QVERIFY(m.fits(device));
    QCOMPARE(m.fieldText(device), shown);
    QLineEdit edit;
    edit.setInputMask(m.qtInputMask());
    edit.setText(m.fieldText(device));
    QCOMPARE(edit.displayText(), shown);
    QCOMPARE(m.deviceText(edit.text()), device);
}

// Templates far longer than today's designs, and texts that do not fit
// them: the placement must come out as for short ones, and a text that
// fits nowhere must be refused without trying every way to spread the
// blanks (which took seconds at 30 positions and years at 60).
void TestEditMask::manyPositions_data()
{
    QTest::addColumn<QString>("design");
    QTest::addColumn<QString>("device");
    QTest::addColumn<bool>("fits");
    QTest::addColumn<QString>("shown");
    const QString nines30(30, QLatin1Char('9'));
    const QString ds =
        QStringLiteral("!") + nines30 + QLatin1Char('.') + nines30 + QStringLiteral(";1;_");
    QTest::newRow("short text in a long field")
        << ds << "1.5" << true << QString(29, '_') + "1.5" + QString(29, '_');
    QTest::newRow("full field") << ds << QString(30, '1') + "." + QString(30, '2') << true
                                << QString(30, '1') + "." + QString(30, '2');
    QTest::newRow("stray letter at the end")
        << ds << QString(20, '1') + "." + QString(20, '2') + "x" << false << QString();
    QTest::newRow("second point") << ds << "12.34.5" << false << QString();
    QTest::newRow("one digit too many before the point")
        << ds << QString(31, '1') + ".0" << false << QString();
    QTest::newRow("longer than the field") << ds << QString(62, '1') << false << QString();
    QTest::newRow("required digits at the end, text too short")
        << QStringLiteral("!") + QString(40, '9') + QString(10, '0') + ";1;_" << QString(9, '5')
        << false << QString();
    QTest::newRow("signs in a long field") << QString(50, '#') + ";1;_"
                                           << "-1+2" << true << "-1+2" + QString(46, '_');
}

void TestEditMask::manyPositions()
{
    QFETCH(QString, design);
    QFETCH(QString, device);
    QFETCH(bool, fits);
    QFETCH(QString, shown);
    const EditMask m(design);
    QCOMPARE(m.fits(device), fits);
    QCOMPARE(m.fieldText(device), fits ? shown : device);
}

QTEST_MAIN(TestEditMask)
#include "tst_editmask.moc"
