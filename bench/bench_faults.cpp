// The fault campaign, long: random faults of every kind (late answers beyond
// the wait, duplicated answers, stale frames ahead of the answer, corrupt
// and dropped answers, an echoing head) over "WN" reads and writes and "DS"
// field reads, through the link object and our driver libraries against
// the simulated RQ-60; each result compared with what the device holds.
//
//   bench_faults [wn requests] [ds requests] [seed] [pace baud]
#include "faultcampaign.h"
#include "langsupp.h"
#include "programpath.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    CampaignOptions o;
    if (argc > 1)
        o.wnRequests = std::atoi(argv[1]);
    if (argc > 2)
        o.dsRequests = std::atoi(argv[2]);
    if (argc > 3)
        o.seed = unsigned(std::strtoul(argv[3], nullptr, 10));
    o.paceBaud = argc > 4 ? std::atoi(argv[4]) : 4800;
    QTemporaryDir settings;
    qputenv("PXRQ60_SETTINGS_DIR", QFile::encodeName(settings.path()));
    setProgramFilePath(QStringLiteral(PX_BIN_DIR "/pxrq60"));
    LoadLanguageLibrary(QStringLiteral("DE"));
    std::printf("fault campaign: %d WN + %d DS requests, seed %u, faults on %.0f %%, answers %s\n",
                o.wnRequests, o.dsRequests, o.seed, o.faultShare * 100,
                o.paceBaud > 0 ? ("paced at " + std::to_string(o.paceBaud) + " baud").c_str()
                               : "unpaced");
    const CampaignResult r = runFaultCampaign(o);
    std::printf("%-8s %8s %7s %7s %6s %6s %6s %12s\n", "fault", "requests", "faults", "failed",
                "wrong", "stale", "false", "slowest ms");
    auto row = [](const char *name, const FaultFigures &f) {
        std::printf("%-8s %8d %7d %7d %6d %6d %6d %12.0f\n", name, f.requests, f.faults, f.failed,
                    f.wrongValues, f.staleAccepted, f.falseConfirmations, f.slowestMs);
    };
    for (const auto &k : r.byKind)
        row(k.first.c_str(), k.second);
    row("all", r.total);
    std::printf("%.0f s in all\n", r.seconds);
    if (!r.firstProblem.isEmpty())
        std::printf("first problem: %s\n", qPrintable(r.firstProblem));
    FreeLanguageLibrary();
    return r.total.wrongValues + r.total.staleAccepted + r.total.falseConfirmations == 0 ? 0 : 1;
}
