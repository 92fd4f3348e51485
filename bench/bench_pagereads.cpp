// How long a technician waits for each page: every page list of both
// generations read through the link object, our driver libraries and a
// simulated device behind a pseudo-terminal, once paced as a 4800 baud line
// with a 20 ms reaction time (requests and answers both take their time on
// the wire), and once with answers unpaced (the stack's own overhead on top
// of the request's wire time and the reaction time).
//
//   bench_pagereads [rounds]
#include "addresstable.h"
#include "commclass.h"
#include "devicevalues.h"
#include "linkfixture.h"
#include "programpath.h"
#include "ptyserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <memory>

namespace {

struct Setup {
    std::unique_ptr<rq60::PtyServer> server;
};

void connect(Setup &s, int generation)
{
    destroyCurrentLink();
    if (s.server)
        s.server->stop();
    s.server = std::make_unique<rq60::PtyServer>(generation);
    qputenv("SLINE_32_COM1", s.server->start().c_str());
    TCommClass *link = replaceCurrentLink("WN");
    link->SetPort("COM1");
    link->SetInitString("4800,N,8,1,BIN,RS0,DS0");
    link->SetOptions(30);
    link->SetActive(true);
}

// Bytes of one read on the wire: the request SOH R1 STX addr() ETX BCC and
// the answer STX addr(value) ETX BCC.
int requestBytes(const QString &addr)
{
    return addr.size() + 8;
}
int answerBytes(const QString &addr, const QString &value)
{
    return addr.size() + value.size() + 5;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // The driver libraries are loaded from the program's folder.
    setProgramFilePath(QStringLiteral(PX_BIN_DIR "/pxrq60"));
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    const int baud = 4800, reactMs = 20;
    Setup s;
    std::printf("paced: %d baud, %d ms reaction; %d rounds each\n", baud, reactMs, rounds);
    std::printf("%-4s %-5s %6s %10s %12s %7s\n", "gen", "page", "reads", "time ms", "bound ms",
                "ratio");
    for (int gen : {1, 2}) {
        connect(s, gen);
        s.server->control("pace " + std::to_string(baud));
        s.server->control("react " + std::to_string(reactMs));
        const Generation g = gen == 1 ? Generation::V1x : Generation::V2x;
        for (const PageInfo &p : pages()) {
            const QString list = pageAddressList(p.index, g);
            if (list.isEmpty())
                continue;
            ReadValues(list); // warm up, and learn the values for the bound
            s.server->clearLog();
            QElapsedTimer t;
            t.start();
            for (int r = 0; r < rounds; ++r)
                ReadValues(list);
            const double ms = double(t.nsecsElapsed()) / 1e6 / rounds;
            int reads = 0, reqBytes = 0, ansBytes = 0;
            for (const std::string &e : s.server->requestLog()) {
                if (e.rfind("R1 ", 0) != 0)
                    continue;
                const QString addr = QString::fromStdString(e.substr(3));
                ++reads;
                reqBytes += requestBytes(addr);
                ansBytes += answerBytes(addr, DeviceValues.value(addr));
            }
            reads /= rounds;
            reqBytes /= rounds;
            ansBytes /= rounds;
            const double bound = (reqBytes + ansBytes) * 10.0 * 1000 / baud + reactMs * reads;
            std::printf("V%dx  %-5d %6d %10.1f %12.1f %7.3f\n", gen, p.index, reads, ms, bound,
                        ms / bound);
        }
    }
    // Answers unpaced: what the link object and the drivers add per read to
    // the request's wire time and the reaction time.
    connect(s, 2);
    const int n = 100 * rounds;
    const double floorMs = requestBytes(QStringLiteral("L34")) * 10.0 * 1000 / 4800 + 20;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < n; ++i)
        ReadValues(QStringLiteral("L34"));
    const double per = double(t.nsecsElapsed()) / 1e6 / n;
    std::printf(
        "unpaced answers: %.3f ms per read, %.3f ms above wire time and reaction (%d reads)\n", per,
        per - floorMs, n);
    destroyCurrentLink();
    s.server->stop();
    return 0;
}
