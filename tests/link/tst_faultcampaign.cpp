// The fault campaign, short: random faults of every kind over both
// protocols through the real drivers; no wrong value, no stale answer and
// no false confirmation may get through. (bench/bench_faults runs it long
// and reports the times.)
#include "faultcampaign.h"
#include "langsupp.h"
#include "testsupport.h"

#include <QTest>

class TestFaultCampaign : public QObject
{
    Q_OBJECT
private slots:
    void everyAnswerBelongsToItsRequest();
};

void TestFaultCampaign::everyAnswerBelongsToItsRequest()
{
    SettingsSandbox settings;
    useBuiltProgramDirectory();
    LoadLanguageLibrary(QStringLiteral("DE"));
    MessageRecorder boxes;
    CampaignOptions o;
    o.wnRequests = 48;
    o.dsRequests = 24;
    o.seed = 13;
    const CampaignResult r = runFaultCampaign(o);
    for (const auto &k : r.byKind)
        qInfo("%-8s requests %3d faults %3d failed %3d wrong %d stale %d false %d", k.first.c_str(),
              k.second.requests, k.second.faults, k.second.failed, k.second.wrongValues,
              k.second.staleAccepted, k.second.falseConfirmations);
    QCOMPARE(r.total.requests, o.wnRequests + o.dsRequests);
    QVERIFY(r.total.faults > 0);
    QVERIFY2(r.total.wrongValues == 0, qPrintable(r.firstProblem));
    QVERIFY2(r.total.staleAccepted == 0, qPrintable(r.firstProblem));
    QVERIFY2(r.total.falseConfirmations == 0, qPrintable(r.firstProblem));
    // Every kind of fault was met, and most requests still succeeded.
    QCOMPARE(int(r.byKind.size()), 7);
    QVERIFY(r.total.failed < r.total.requests / 4);
    FreeLanguageLibrary();
}

QTEST_GUILESS_MAIN(TestFaultCampaign)
#include "tst_faultcampaign.moc"
