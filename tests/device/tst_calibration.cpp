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
    QTest::addColumn<QStringList>("texts"); // TempLowRef, TempHighRef, P170, P171, P147, P148
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("offset");
    QTest::addColumn<QString>("gradient");
    QTest::addColumn<int>("messageId");
    auto row = [](const char *name, QStringList texts, CalibrationResult::Status status,
                  const char *offset = "", const char *gradient = "", int messageId = 0) {
        QTest::newRow(name) << texts << int(status) << QString(offset) << QString(gradient)
                            << messageId;
    };
    using R = CalibrationResult;
    row("measured equal references keep the old values",
        {"-20.0", "40.0", "-20.0", "40.0", "123", "2048"}, R::Ok, " 123", "2048");
    row("old values at the limits", {"-.5", "25.0", "-.5", "25.0", "0", "4095"}, R::Ok, "   0",
        "4095");
    // The sensor reads 1 K too high at both points: the offset falls by 10
    // per kelvin, the gradient stays.
    row("shifted by one kelvin", {"-20.0", "40.0", "-19.0", "41.0", "500", "2000"}, R::Ok, " 490",
        "2000");
    // A span read 10 % too wide: the gradient shrinks to 1/1.1 of the old,
    // and the offset moves with it, since the gradient acts on kelvin.
    row("span too wide", {"0.0", "50.0", "0.0", "55.0", "100", "2200"}, R::Ok, " 339", "2000");
    // What reaches the device is the rounded value.
    row("4095.4 rounds into the range", {"-20.0", "40.0", "-20.0", "40.0", "4095.4", "2000"}, R::Ok,
        "4095", "2000");
    row("-0.4 rounds to 0", {"-20.0", "40.0", "-20.0", "40.0", "-0.4", "2000"}, R::Ok, "   0",
        "2000");
    // The results the device would have been given clamped to 0 or 4095: it
    // then reads one fixed temperature whatever the gas does.
    row("offset below 0 is refused", {"-20.0", "40.0", "-10.0", "50.0", "10", "2000"},
        R::OutOfRange, "", "", 598);
    row("4095.6 rounds out of the range", {"-20.0", "40.0", "-20.0", "40.0", "4095.6", "2000"},
        R::OutOfRange, "", "", 598);
    row("gradient above 4095 is refused", {"-20.0", "40.0", "-20.0", "40.0", "100", "9000"},
        R::OutOfRange, "", "", 598);
    // The sensor was in the warm bath when the lower "Lesen" was pressed.
    row("points swapped", {"-20.0", "40.0", "40.3", "-19.8", "2720", "2050"}, R::MeasuredReversed,
        "", "", 596);
    row("equal references", {"-20.0", "-20.0", "-20.1", "40.2", "2720", "2050"},
        R::ReferencesNotRising, "", "", 595);
    row("references falling", {"40.0", "-20.0", "-20.1", "40.2", "2720", "2050"},
        R::ReferencesNotRising, "", "", 595);
    row("measured span below a kelvin", {"-20.0", "40.0", "20.1", "20.9", "2720", "2050"},
        R::MeasuredSpanTooSmall, "", "", 597);
    row("measured span of a kelvin", {"19.0", "20.0", "19.0", "20.0", "2720", "2050"}, R::Ok,
        "2720", "2050");
}

void TestCalibration::compute()
{
    QFETCH(QStringList, texts);
    QFETCH(int, status);
    QFETCH(QString, offset);
    QFETCH(QString, gradient);
    QFETCH(int, messageId);
    const CalibrationResult r =
        computeOffsetAndGradient(texts[0], texts[1], texts[2], texts[3], texts[4], texts[5]);
    QCOMPARE(int(r.status), status);
    QCOMPARE(r.offsetText, offset);
    QCOMPARE(r.gradientText, gradient);
    const std::optional<DeviceMessage> m =
        calibrationMessage(r, texts[0], texts[1], texts[2], texts[3]);
    QCOMPARE(m ? int(m->textId) : 0, messageId);
    if (m) {
        QCOMPARE(m->captionId, uint16_t(500));
        // The message names the values it is about as the technician typed
        // or read them.
        if (status == CalibrationResult::ReferencesNotRising)
            QCOMPARE(m->textArgs.value(0), MessageArg::ofText(texts[0]));
        if (status == CalibrationResult::MeasuredReversed ||
            status == CalibrationResult::MeasuredSpanTooSmall)
            QCOMPARE(m->textArgs.value(1), MessageArg::ofText(texts[3]));
    }
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
