#include "battery.h"
#include "helpers.h"
#include "langsupp.h"
#include "wireformat.h"

#include <QtTest>

class TestWireFormat : public QObject
{
    Q_OBJECT
private slots:
    void format_data();
    void format();
    void rangeMessages();
    void notANumber();
    void sumOfCounters_data();
    void sumOfCounters();
    void order();
    void shownMessage();
    void batteryCapacity_data();
    void batteryCapacity();
};

namespace {
struct Recorder : MessagePresenter {
    QList<MessageRequest> shown;
    int present(const MessageRequest &r) override
    {
        shown.append(r);
        return IdOk;
    }
};
} // namespace

// Without a language library every text reads "str" + ID; a string-ID
// argument is looked up the same way before it is filled in.
void TestWireFormat::shownMessage()
{
    Recorder recorder;
    setMessagePresenter(&recorder);
    FieldInput in;
    in.text = "60.0";
    const WireValue w = CheckAndFormatValue("TempHighRef", in, Generation::V2x);
    showDeviceMessage(*w.message);
    setMessagePresenter(nullptr);
    QCOMPARE(recorder.shown.size(), 1);
    const MessageRequest &r = recorder.shown.first();
    QCOMPARE(r.textId, 530);
    QCOMPARE(r.flags, uint16_t(MbOk));
    QCOMPARE(r.args.value(0), QString("str551"));
    QCOMPARE(r.args.size(), 5);
}

void TestWireFormat::format_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("checked");
    QTest::addColumn<QString>("partner1");
    QTest::addColumn<QString>("partner2");
    QTest::addColumn<bool>("v2x");
    QTest::addColumn<QString>("request"); // "KEY=" when nothing is written
    QTest::addColumn<int>("messageId");

    auto row = [](const char *name, const char *field, const char *text, const char *request,
                  int messageId = 0, bool v2x = true, int index = -1, bool checked = false,
                  const char *p1 = "", const char *p2 = "") {
        QTest::newRow(name) << QString(field) << QString(text) << index << checked << QString(p1)
                            << QString(p2) << v2x << QString(request) << messageId;
    };
    row("H1 blanks removed", "H1", "   123.45", "H1=123.45");
    row("H6 from H2 and H4", "H6", "ignored", "H6=1234.75", 0, true, -1, false, "1234.5", "  0.25");
    row("H6 sum 0", "H6", "", "H6=0", 0, true, -1, false, "0.0000", "0.0000");
    row("L7 date", "L7", "08.12.26", "L7=08.12.26");
    row("L7 short day", "L7", " 8.12.26", "L7=08.12.26");
    row("L7 29.02.24 leap", "L7", "29.02.24", "L7=29.02.24");
    row("L7 29.02.25 no date", "L7", "29.02.25", "L7=", 592);
    row("L7 32.01.26 no date", "L7", "32.01.26", "L7=", 592);
    row("L8 time", "L8", "23:59:59", "L8=23:59:59");
    row("L8 24:00:00 no time", "L8", "24:00:00", "L8=", 593);
    row("L12 empty item", "L12", "", "L12=", 594);
    row("L18 twelve digits", "L18", "12345", "L18=000000012345");
    row("L124 twelve digits", "L124", "999999999999", "L124=999999999999");
    row("L27 from both fields", "L27High", "40", "L27=-10;40", 0, true, -1, false, "-10", "40");
    row("L156 1.01325", "L156", "1.01325", "L156=1.01325");
    row("L156 0.99", "L156", "0.99000", "L156=0.99000");
    row("L156 just inside low", "L156", "0.98999", "L156=0.98999");
    row("L156 just outside low", "L156", "0.98998", "L156=", 522);
    row("L156 just inside high", "L156", "1.05001", "L156=1.05001");
    row("L156 1.1 outside", "L156", "1.1", "L156=", 522);
    row("L157 273.15", "L157", "273.15", "L157=273.15");
    row("L157 300", "L157", "300.00", "L157=300.00");
    row("L157 223.15 inside", "L157", "223.15", "L157=223.15");
    row("L157 223.14 outside", "L157", "223.14", "L157=", 524);
    row("L157 323.16 outside", "L157", "323.16", "L157=", 524);
    row("P1 1.0", "P1", "1.0", "P1=1.0000");
    row("P1 0.95", "P1", "0.95", "P1=0.9500");
    row("P1 1.5 inside", "P1", "1.5000", "P1=1.5000");
    row("P1 1.5001 outside", "P1", "1.5001", "P1=", 526);
    row("P1 0.4999 outside", "P1", "0.4999", "P1=", 526);
    row("P2 0.5", "P2", "0.5", "P2=0.50000");
    row("P2 6.55351 inside", "P2", "6.55351", "P2=6.55351");
    row("P2 6.55352 outside", "P2", "6.55352", "P2=", 528);
    row("P2 0.49998 outside", "P2", "0.49998", "P2=", 528);
    row("P3 -5.0", "P3", "-5.0", "P3=-5.0");
    row("P3 0.5 no leading zero", "P3", "  0.5", "P3=.5");
    row("P3 -35.0 inside", "P3", "-35.0", "P3=-35.0");
    row("P3 55.0 inside", "P3", "55.0", "P3=55.0");
    row("P3 56.0 outside", "P3", "56.0", "P3=", 530);
    row("P3 -35.1 outside", "P3", "-35.1", "P3=", 530);
    row("TempLowRef 18.5", "TempLowRef", "18.5", "TempLowRef=18.5");
    row("TempHighRef 60 outside", "TempHighRef", "60.0", "TempHighRef=", 530);
    row("P4 item text", "P4", "0.1", "P4=0.1");
    row("P13 position", "P13", "Messung", "P13=1", 0, true, 1);
    row("P13 nothing selected", "P13", "", "P13=", 0, true, -1);
    row("P14 ticked", "P14", "20", "P14=20.1", 0, true, -1, true);
    row("P14 not ticked", "P14", "20", "P14=20.0", 0, true, -1, false);
    row("P38 spin value", "P38", "1", "P38=1");
    row("P147neu 4095", "P147neu", "4095", "P147=4095");
    row("P147neu 4096", "P147neu", "4096", "P147=", 532);
    row("P148neu 0 with blanks", "P148neu", "   0", "P148=0");
    row("P148neu -1", "P148neu", "-1", "P148=", 534);
    row("P310 V2x Vn gestoert", "P310", "x", "P310=4", 0, true, 3);
    row("P310 V2x last item", "P310", "x", "P310=9", 0, true, 7);
    row("P310 V1x Vn gesamt", "P310", "x", "P16=3", 0, false, 4);
    row("P310 V1x Alarmausgang", "P310", "x", "P16=1", 0, false, 5);
    row("P310 V1x has no Warnausgang", "P310", "x", "P16=", 518, false, 6);
    row("P310 V1x has no Vn gestoert", "P310", "x", "P16=", 518, false, 3);
    row("P310 nothing selected", "P310", "", "P310=", 0, true, -1);
    row("P311 V1x is P17", "P311", "100", "P17=100", 0, false);
    row("P311 V2x", "P311", "100", "P311=100", 0, true);
    // A digit deleted from the middle of a masked number leaves a blank; the
    // number closed up around it would be another (a tenth of the counter).
    row("H1 gap", "H1", "0041 345.67", "H1=", 590);
    row("L156 gap behind the point", "L156", "1.0 325", "L156=", 590);
    row("L18 gap", "L18", "1234 678", "L18=", 590);
    row("P147neu gap", "P147neu", "27 0", "P147=", 590);
    row("TempLowRef blank before the point", "TempLowRef", "-2 .5", "TempLowRef=-2.5");
    row("H2 blanks before and after", "H2", "   412.5   ", "H2=412.5");
    row("P3 blank between sign and digit", "P3", "- 5.0", "P3=-5.0");
    row("H1 emptied", "H1", "        .  ", "H1=", 591);
    row("L18 emptied", "L18", "            ", "L18=", 591);
    row("P3 sign only", "P3", "-  . ", "P3=", 591);
    row("L157 point only", "L157", "   .  ", "L157=", 591);
    row("L7 emptied", "L7", "  .  .  ", "L7=", 592);
}

void TestWireFormat::format()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(int, index);
    QFETCH(bool, checked);
    QFETCH(QString, partner1);
    QFETCH(QString, partner2);
    QFETCH(bool, v2x);
    QFETCH(QString, request);
    QFETCH(int, messageId);
    FieldInput in;
    in.text = text;
    in.index = index;
    in.checked = checked;
    in.partner1 = partner1;
    in.partner2 = partner2;
    const WireValue w = CheckAndFormatValue(field, in, v2x ? Generation::V2x : Generation::V1x);
    QCOMPARE(w.request(), request);
    QCOMPARE(w.failed(), request.endsWith('='));
    QCOMPARE(w.message ? int(w.message->textId) : 0, messageId);
}

// The arguments the range boxes show: limits as the user reads them in the
// text, the offending value in the caption.
void TestWireFormat::rangeMessages()
{
    FieldInput in;
    in.text = "1.1";
    const WireValue l156 = CheckAndFormatValue("L156", in, Generation::V2x);
    QVERIFY(l156.message);
    QCOMPARE(*l156.message,
             (DeviceMessage{522,
                            {MessageArg::ofDecimal(0.99), MessageArg::ofDecimal(1.05)},
                            523,
                            {MessageArg::ofDecimal(1.1)}}));
    in.text = "6.6";
    const WireValue p2 = CheckAndFormatValue("P2", in, Generation::V2x);
    QCOMPARE(p2.message->textArgs.value(1).decimal, 6.5535);
    QCOMPARE(p2.message->captionId, uint16_t(529));
    in.text = "56.0";
    const WireValue p3 = CheckAndFormatValue("P3", in, Generation::V2x);
    QCOMPARE(*p3.message,
             (DeviceMessage{530,
                            {MessageArg::ofStringId(8012), MessageArg::ofDecimal(-35.0),
                             MessageArg::ofDecimal(55.0)},
                            531,
                            {MessageArg::ofStringId(8012), MessageArg::ofDecimal(56.0)}}));
    const WireValue low = CheckAndFormatValue("TempLowRef", in, Generation::V2x);
    QCOMPARE(low.message->textArgs.value(0), MessageArg::ofStringId(550));
    QCOMPARE(low.settingsKey(), QString("TEMPLOW"));
    in.text = "5000";
    const WireValue p148 = CheckAndFormatValue("P148neu", in, Generation::V2x);
    QCOMPARE(*p148.message, (DeviceMessage{534,
                                           {MessageArg::ofInteger(0), MessageArg::ofInteger(4095)},
                                           535,
                                           {MessageArg::ofInteger(5000)}}));
    in.index = 7;
    const WireValue p16 = CheckAndFormatValue("P310", in, Generation::V1x);
    QCOMPARE(
        *p16.message,
        (DeviceMessage{518, {MessageArg::ofText("P16"), MessageArg::ofStringId(1122)}, 500, {}}));
}

// A text that should be a number and is none, yet holds a digit, is the
// standard conversion error, which "Setzen" reports with its general message.
void TestWireFormat::notANumber()
{
    FieldInput in;
    for (const char *field : {"L18", "L156", "P1", "P3", "P147neu", "P14"}) {
        in.text = "1x";
        QVERIFY_THROWS_EXCEPTION(ConversionError, CheckAndFormatValue(field, in, Generation::V2x));
    }
    // Trailing zeros of a text without a point are digits of its integer.
    in.text = "100";
    QCOMPARE(CheckAndFormatValue("L157", in, Generation::V2x).message->textId, uint16_t(524));
    // The gap message points at the gap.
    in.text = "0041 345.67";
    QCOMPARE(CheckAndFormatValue("H1", in, Generation::V2x).message->textArgs,
             (QList<MessageArg>{MessageArg::ofText("H1"), MessageArg::ofText("0041_345.67")}));
}

void TestWireFormat::sumOfCounters_data()
{
    QTest::addColumn<QString>("h2");
    QTest::addColumn<QString>("h4");
    QTest::addColumn<QString>("sum");
    QTest::newRow("example") << "1234.5"
                             << "0.25"
                             << "1234.75";
    QTest::newRow("no decimals left") << "100"
                                      << "0"
                                      << "100";
    QTest::newRow("zero") << "0.0000"
                          << "0.0000"
                          << "0";
    QTest::newRow("full width") << "99999999.9999"
                                << "0.0001"
                                << "100000000";
    QTest::newRow("blanks") << "    12.0001"
                            << " 0.0000"
                            << "12.0001";
    QTest::newRow("below 1: no zero before the point") << "0.1"
                                                       << "0.15"
                                                       << ".25";
}

void TestWireFormat::sumOfCounters()
{
    QFETCH(QString, h2);
    QFETCH(QString, h4);
    QFETCH(QString, sum);
    QCOMPARE(H2plusH4(h2, h4), sum);
}

void TestWireFormat::order()
{
    const QStringList all = writeOrder();
    QVERIFY(all.indexOf("H6") > all.indexOf("H2"));
    QVERIFY(all.indexOf("H6") > all.indexOf("H4"));
    QVERIFY(all.indexOf("P38") < all.indexOf("P37"));
    QCOMPARE(all.mid(all.size() - 4),
             (QStringList{"P147neu", "P148neu", "TempLowRef", "TempHighRef"}));
    QCOMPARE(all.first(), QString("L7"));
}

void TestWireFormat::batteryCapacity_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("tenths"); // -1: refused
    QTest::newRow("9.5") << "9.5" << 95;
    QTest::newRow("whole Ah") << "9" << 90;
    QTest::newRow("blanks around") << " 0.1 " << 1;
    QTest::newRow("zero") << "0.0" << 0;
    QTest::newRow("upper limit") << "9.9" << 99;
    // Typed where the old mask made 1.3 of it.
    QTest::newRow("13.0 above the limit") << "13.0" << -1;
    QTest::newRow("10") << "10" << -1;
    QTest::newRow("two decimals") << "9.55" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("point only") << "." << -1;
    QTest::newRow("decimal comma") << "9,5" << -1;
}

void TestWireFormat::batteryCapacity()
{
    QFETCH(QString, text);
    QFETCH(int, tenths);
    QCOMPARE(batteryCapacityTenths(text).value_or(-1), tenths);
    const DeviceMessage m = batteryCapacityMessage(text);
    QCOMPARE(m.textId, uint16_t(604));
    QCOMPARE(m.textArgs.value(2), MessageArg::ofText("9.9"));
}

QTEST_GUILESS_MAIN(TestWireFormat)
#include "tst_wireformat.moc"
