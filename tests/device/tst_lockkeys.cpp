// The rules of the user lock: the key as the device takes it, and the two
// ways the lock states are read.
#include "displayrules.h"
#include "helpers.h"
#include "lockkeys.h"

#include <QtTest>

class TestLockKeys : public QObject
{
    Q_OBJECT
private slots:
    void keyWireText_data();
    void keyWireText();
    void lockStates_data();
    void lockStates();
    void scrubOverwritesInPlace();
};

void TestLockKeys::keyWireText_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("wire"); // empty: refused
    QTest::newRow("eight digits") << "87654321"
                                  << "87654321";
    QTest::newRow("short key gets leading zeros") << "123"
                                                  << "00000123";
    QTest::newRow("blanks anywhere are dropped") << " 12 3   "
                                                 << "00000123";
    QTest::newRow("leading zeros typed") << "00001234"
                                         << "00001234";
    QTest::newRow("all zeros") << "0"
                               << "00000000";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("only blanks") << "        "
                                 << "";
    QTest::newRow("nine digits do not fit") << "123456789"
                                            << "";
    QTest::newRow("a sign is no key") << "-1234"
                                      << "";
}

void TestLockKeys::keyWireText()
{
    QFETCH(QString, field);
    QFETCH(QString, wire);
    QString got;
    QString error;
    try {
        got = ::keyWireText(field);
    } catch (const ConversionError &e) {
        error = e.message();
    }
    QCOMPARE(got, wire);
    // A refused key is reported without its digits.
    if (wire.isEmpty()) {
        QVERIFY(!error.isEmpty());
        const QString digits = RemoveChars(field, QStringLiteral(" -"));
        if (!digits.isEmpty())
            QVERIFY2(!error.contains(digits), qPrintable(error));
    }
}

void TestLockKeys::lockStates_data()
{
    QTest::addColumn<QString>("p0");
    QTest::addColumn<QString>("p10");
    QTest::addColumn<bool>("supplierOpen"); // dialog, single lock; also the main window's rule
    QTest::addColumn<bool>("customerOpen");
    QTest::addColumn<bool>("userLockOpenInDialog");
    QTest::addColumn<bool>("userLockOpenInWindow");
    QTest::newRow("both closed") << "0"
                                 << "0" << false << false << false << false;
    QTest::newRow("supplier open") << "1"
                                   << "0" << true << false << true << true;
    QTest::newRow("customer open") << "0"
                                   << "1" << false << true << true << true;
    // Any other text counts as open for a single lock and in the main
    // window, but only "1" opens the user lock in the dialog.
    QTest::newRow("supplier reads 2") << "2"
                                      << "0" << true << false << false << true;
    QTest::newRow("never read") << ""
                                << "" << true << true << false << true;
}

void TestLockKeys::lockStates()
{
    QFETCH(QString, p0);
    QFETCH(QString, p10);
    auto id = [](bool open) { return open ? UserLockOpenStringId : UserLockClosedStringId; };
    QTEST(lockCountsOpen(p0), "supplierOpen");
    QTEST(lockCountsOpen(p10), "customerOpen");
    QFETCH(bool, supplierOpen);
    QFETCH(bool, customerOpen);
    QFETCH(bool, userLockOpenInDialog);
    QFETCH(bool, userLockOpenInWindow);
    QCOMPARE(singleLockStateId(p0), id(supplierOpen));
    QCOMPARE(singleLockStateId(p10), id(customerOpen));
    QCOMPARE(userLockStateId(p0, p10), id(userLockOpenInDialog));
    QCOMPARE(!userLockClosed(p0, p10), userLockOpenInWindow);
}

void TestLockKeys::scrubOverwritesInPlace()
{
    QString key = QStringLiteral("87654321");
    key.detach();
    const QChar *chars = key.constData();
    scrubText(key);
    QVERIFY(key.isEmpty());
    // The characters the text held are zeros now, not merely given back.
    for (int i = 0; i < 8; ++i)
        QCOMPARE(chars[i], QChar(u'\0'));
}

QTEST_GUILESS_MAIN(TestLockKeys)
#include "tst_lockkeys.moc"
