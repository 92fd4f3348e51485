#include "calibration.h"
#include "devicetypes.h"
#include "helpers.h"

#include <QtTest>
#include <clocale>
#include <string>

class TestCalibration : public QObject
{
    Q_OBJECT
private slots:
    void compute_data();
    void compute();
    void equalMeasuredIsAnError();
    void notANumberMeasured();
    void numbersIgnoreTheLocale_data();
    void numbersIgnoreTheLocale();
};

void TestCalibration::compute_data()
{
    QTest::addColumn<QString>("refLow");
    QTest::addColumn<QString>("refHigh");
    QTest::addColumn<QString>("p170");
    QTest::addColumn<QString>("p171");
    QTest::addColumn<QString>("p147");
    QTest::addColumn<QString>("p148");
    QTest::addColumn<QString>("offset");
    QTest::addColumn<QString>("gradient");

    QTest::newRow("measured equal references keep the old values") << "-20.0"
                                                                   << "40.0"
                                                                   << "-20.0"
                                                                   << "40.0"
                                                                   << "123"
                                                                   << "2048"
                                                                   << " 123"
                                                                   << "2048";
    QTest::newRow("old values at the limits") << "-.5"
                                              << "25.0"
                                              << "-.5"
                                              << "25.0"
                                              << "0"
                                              << "4095"
                                              << "   0"
                                              << "4095";
    // The sensor reads 1 K too high at both points: the offset falls by 10
    // per kelvin, the gradient stays.
    QTest::newRow("shifted by one kelvin") << "-20.0"
                                           << "40.0"
                                           << "-19.0"
                                           << "41.0"
                                           << "500"
                                           << "2000"
                                           << " 490"
                                           << "2000";
    // A span read 10 % too wide: the gradient shrinks to 1/1.1 of the old,
    // and the offset moves with it, since the gradient acts on kelvin.
    QTest::newRow("span too wide") << "0.0"
                                   << "50.0"
                                   << "0.0"
                                   << "55.0"
                                   << "100"
                                   << "2200"
                                   << " 339"
                                   << "2000";
    QTest::newRow("negative offset gives 0") << "-20.0"
                                             << "40.0"
                                             << "-10.0"
                                             << "50.0"
                                             << "10"
                                             << "2000"
                                             << "   0"
                                             << "2000";
    QTest::newRow("above 4095 gives 4095") << "-20.0"
                                           << "40.0"
                                           << "-20.0"
                                           << "40.0"
                                           << "5000"
                                           << "9000"
                                           << "4095"
                                           << "4095";
    QTest::newRow("measured span reversed") << "-20.0"
                                            << "40.0"
                                            << "40.0"
                                            << "-20.0"
                                            << "100"
                                            << "2000"
                                            << "4095"
                                            << "   0";
}

void TestCalibration::compute()
{
    QFETCH(QString, refLow);
    QFETCH(QString, refHigh);
    QFETCH(QString, p170);
    QFETCH(QString, p171);
    QFETCH(QString, p147);
    QFETCH(QString, p148);
    QFETCH(QString, offset);
    QFETCH(QString, gradient);
    const CalibrationResult r = computeOffsetAndGradient(refLow, refHigh, p170, p171, p147, p148);
    QCOMPARE(r.status, CalibrationResult::Ok);
    QCOMPARE(r.offsetText, offset);
    QCOMPARE(r.gradientText, gradient);
}

// Texts that differ but read as the same number: no offset or gradient may
// come out of a division by zero.
void TestCalibration::equalMeasuredIsAnError()
{
    const CalibrationResult r =
        computeOffsetAndGradient("-20.0", "40.0", "20.0", "20.00", "100", "2000");
    QCOMPARE(r.status, CalibrationResult::EqualMeasured);
    QVERIFY(r.offsetText.isEmpty());
    QVERIFY(r.gradientText.isEmpty());
    QCOMPARE(calibrationText(std::numeric_limits<long double>::quiet_NaN()), QString("   0"));
    QCOMPARE(calibrationText(-0.0L), QString("   0"));
}

// The value that is no number is named, so that the message can say which.
void TestCalibration::notANumberMeasured()
{
    CalibrationResult r = computeOffsetAndGradient("-20.0", "40.0", "", "40.0", "100", "2000");
    QCOMPARE(r.status, CalibrationResult::NotANumber);
    QCOMPARE(r.badKey, QString("P170"));
    QCOMPARE(r.badText, QString());
    r = computeOffsetAndGradient("-20.0", "40.0", "-20.0", "40.0", "1.2.3", "2000");
    QCOMPARE(r.status, CalibrationResult::NotANumber);
    QCOMPARE(r.badKey, QString("P147"));
    QCOMPARE(r.badText, QString("1.2.3"));
    QVERIFY(r.offsetText.isEmpty());
}

void TestCalibration::numbersIgnoreTheLocale_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("calibration");
    QTest::newRow("plain") << "12.25" << true << 12.25 << "  12";
    QTest::newRow("plus") << "+1.5" << true << 1.5 << "   2";
    QTest::newRow("half to even") << "2.5" << true << 2.5 << "   2";
    QTest::newRow("point first") << ".5" << true << 0.5 << "   0";
    QTest::newRow("point last") << "5." << true << 5.0 << "   5";
    QTest::newRow("negative") << "-0.25" << true << -0.25 << "   0";
    QTest::newRow("above the limit") << "12345.6" << true << 12345.6 << "4095";
    QTest::newRow("many digits") << "1.00000000000000000000000000001" << true << 1.0 << "   1";
    QTest::newRow("decimal comma") << "1,5" << false << 0.0 << "";
    QTest::newRow("exponent") << "1e3" << false << 0.0 << "";
    QTest::newRow("empty") << "" << false << 0.0 << "";
}

void TestCalibration::numbersIgnoreTheLocale()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(double, value);
    QFETCH(QString, calibration);
    // The program's numbers use "." whatever the user's locale; a German
    // one makes the C library read "1.5" as 1 and write 1,5.
    const std::string old = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    const std::optional<long double> v = decimalValue(text);
    const QString shown = v ? calibrationText(*v) : QString();
    std::setlocale(LC_NUMERIC, old.c_str());
    QCOMPARE(v.has_value(), valid);
    if (valid)
        QCOMPARE(double(*v), value);
    QCOMPARE(shown, calibration);
}

QTEST_GUILESS_MAIN(TestCalibration)
#include "tst_calibration.moc"
