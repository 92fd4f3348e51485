#include "faultcampaign.h"

#include "commclass.h"
#include "devicesession.h"
#include "devicevalues.h"
#include "linkfixture.h"
#include "ptyserver.h"

#include <QElapsedTimer>
#include <cstdio>
#include <memory>
#include <random>
#include <set>

namespace {

const char *const Kinds[] = {"late", "dup", "stale", "corrupt", "drop", "echo"};

// Late answers come after the drivers' wait (about 1.75 s at 4800 baud) but
// before they stop waiting for them (about twice that).
constexpr int LateFromMs = 1800;
constexpr int LateToMs = 3300;

// The DS fields read: two that follow device values the campaign changes,
// four fixed texts that differ from each other.
const char DsLetters[] = {'l', 'n', 'p', '^', 'V', 'T'};

class Campaign
{
public:
    explicit Campaign(const CampaignOptions &o) : m_opt(o), m_rng(o.seed) {}

    CampaignResult run()
    {
        QElapsedTimer t;
        t.start();
        wnPhase();
        dsPhase();
        m_result.seconds = double(t.elapsed()) / 1000;
        for (const auto &k : m_result.byKind) {
            FaultFigures &all = m_result.total;
            all.requests += k.second.requests;
            all.faults += k.second.faults;
            all.failed += k.second.failed;
            all.wrongValues += k.second.wrongValues;
            all.staleAccepted += k.second.staleAccepted;
            all.falseConfirmations += k.second.falseConfirmations;
            all.slowestMs = std::max(all.slowestMs, k.second.slowestMs);
        }
        return m_result;
    }

private:
    enum Outcome { Ok, Failed, Wrong, Stale, FalseConfirmation };

    std::string ctl(const std::string &cmd)
    {
        std::string reply;
        m_server->control(cmd, &reply);
        return reply;
    }
    std::string held(const std::string &address)
    {
        const std::string r = ctl("get " + address);
        const std::size_t eq = r.find('=');
        return eq == std::string::npos ? std::string() : r.substr(eq + 1);
    }

    void startDevice(int generation)
    {
        m_server = std::make_unique<rq60::PtyServer>(generation);
        qputenv("SLINE_32_COM1", m_server->start().c_str());
        ctl("freeze on"); // only the campaign changes values
        ctl("lock open");
        if (m_opt.paceBaud > 0)
            ctl("pace " + std::to_string(m_opt.paceBaud));
    }

    TCommClass *connect(const char *selector)
    {
        TCommClass *link = replaceCurrentLink(QString::fromLatin1(selector));
        link->SetPort(QStringLiteral("COM1"));
        link->SetInitString(QStringLiteral("4800,N,8,1,BIN,RS0,DS0"));
        link->SetOptions(TCommClass::OptCloseLine | TCommClass::OptCloseAndUnload);
        link->SetActive(true);
        return link;
    }

    void stop()
    {
        destroyCurrentLink();
        m_server->stop();
        m_server.reset();
    }

    // The fault for the next request, injected; "none" for a clean one.
    std::string injectFault()
    {
        std::uniform_real_distribution<double> share(0, 1);
        if (share(m_rng) >= m_opt.faultShare)
            return "none";
        const std::string kind = Kinds[std::uniform_int_distribution<int>(0, 5)(m_rng)];
        if (kind == "late")
            ctl("late " +
                std::to_string(std::uniform_int_distribution<int>(LateFromMs, LateToMs)(m_rng)));
        else if (kind == "corrupt" || kind == "drop")
            ctl(kind + " 1");
        else if (kind == "echo")
            ctl("echo on");
        else
            ctl(kind);
        return kind;
    }

    void clearFaults()
    {
        for (const char *c :
             {"late off", "dup off", "stale off", "corrupt 0", "drop 0", "echo off"})
            ctl(c);
    }

    void record(const std::string &kind, Outcome o, double ms, const QString &what)
    {
        FaultFigures &f = m_result.byKind[kind];
        ++f.requests;
        if (kind != "none")
            ++f.faults;
        f.slowestMs = std::max(f.slowestMs, ms);
        switch (o) {
        case Ok: return;
        case Failed: ++f.failed; return;
        case Wrong: ++f.wrongValues; break;
        case Stale: ++f.staleAccepted; break;
        case FalseConfirmation: ++f.falseConfirmations; break;
        }
        if (m_result.firstProblem.isEmpty())
            m_result.firstProblem = QString::fromStdString(kind) + QStringLiteral(": ") + what;
    }

    Outcome judgeValue(int32_t status, const std::string &value, const std::string &truth)
    {
        if (status != 0)
            return Failed;
        if (value == truth)
            return Ok;
        return m_truths.count(value) ? Stale : Wrong;
    }

    void wnRead(int i)
    {
        static const char *const addresses[] = {"L18", "L33", "P147"};
        const std::string a = addresses[std::uniform_int_distribution<int>(0, 2)(m_rng)];
        char text[32];
        if (a == "L18")
            std::snprintf(text, sizeof text, "%012d", 100000 + i);
        else if (a == "L33")
            std::snprintf(text, sizeof text, "RQ60 T%d", i);
        else
            std::snprintf(text, sizeof text, "%d", i % 4096);
        ctl("set " + a + " " + text);
        const std::string truth = held(a);
        m_truths.insert(truth);
        const QString address = QString::fromStdString(a);
        StoreValue(address, QStringLiteral("<none>"));
        const std::string kind = injectFault();
        QElapsedTimer t;
        t.start();
        const int32_t status = ReadValues(address);
        const double ms = double(t.nsecsElapsed()) / 1e6;
        clearFaults();
        const std::string got = DeviceValues.value(address).toStdString();
        record(kind, judgeValue(status, got, truth), ms,
               QStringLiteral("read %1 gave %2 (status %3), device holds %4")
                   .arg(address, QString::fromStdString(got))
                   .arg(status)
                   .arg(QString::fromStdString(truth)));
    }

    void wnWrite(int i)
    {
        // Most writes the device takes (a new number each time); a fifth it
        // refuses (not twelve digits), and those must never count as done.
        const bool valid = std::uniform_int_distribution<int>(0, 4)(m_rng) != 0;
        char text[32];
        std::snprintf(text, sizeof text, valid ? "%012d" : "%d", 200000 + i);
        const std::string kind = injectFault();
        WriteRequest request;
        request.address = QStringLiteral("L18");
        request.value = QString::fromLatin1(text);
        request.confirmByReadBack = true;
        request.storeAnswer = true;
        QElapsedTimer t;
        t.start();
        const int32_t status = writeToDevice(currentLink(), DeviceValues, request).status;
        const QString stored = DeviceValues.value(request.address);
        const double ms = double(t.nsecsElapsed()) / 1e6;
        clearFaults();
        const std::string holds = held("L18");
        m_truths.insert(holds);
        Outcome o = Ok;
        if (status != 0)
            o = valid || status != drv::deviceError(3) ? Failed : Ok;
        else if (!valid || holds != text)
            o = FalseConfirmation;
        else if (stored.toStdString() != holds)
            o = m_truths.count(stored.toStdString()) ? Stale : Wrong;
        record(kind, o, ms,
               QStringLiteral("write L18=%1 gave status %2 showing %3, device holds %4")
                   .arg(QString::fromLatin1(text))
                   .arg(status)
                   .arg(stored, QString::fromStdString(holds)));
    }

    void wnPhase()
    {
        if (m_opt.wnRequests <= 0)
            return;
        startDevice(2);
        connect("WN");
        for (int i = 0; i < m_opt.wnRequests; ++i) {
            if (std::uniform_int_distribution<int>(0, 9)(m_rng) < 4)
                wnWrite(i);
            else
                wnRead(i);
        }
        m_result.wnRequests = m_opt.wnRequests;
        stop();
    }

    void dsPhase()
    {
        if (m_opt.dsRequests <= 0)
            return;
        startDevice(1);
        TCommClass *link = connect("DS");
        for (int i = 0; i < m_opt.dsRequests; ++i) {
            const char c = DsLetters[std::uniform_int_distribution<int>(0, 5)(m_rng)];
            char text[32];
            if (c == 'l') {
                std::snprintf(text, sizeof text, "%012d", 300000 + i);
                ctl(std::string("set L18 ") + text);
            } else if (c == 'n') {
                ctl("set P4 N" + std::to_string(i));
            }
            std::string truth;
            m_server->withSimulator(
                [&](rq60::Simulator &s) { s.model().recordField(0, c, &truth); });
            m_truths.insert(truth);
            const std::string kind = injectFault();
            char buffer[31] = {};
            int32_t count = sizeof buffer, param = static_cast<unsigned char>(c);
            QElapsedTimer t;
            t.start();
            const int32_t status = link->ProtocolCall(drv::ProtoRead, buffer, &count, &param);
            const double ms = double(t.nsecsElapsed()) / 1e6;
            clearFaults();
            buffer[sizeof buffer - 1] = 0;
            const std::string got = status == 0 ? std::string(buffer) : std::string();
            record(kind, judgeValue(status, got, truth), ms,
                   QStringLiteral("DS field %1 gave \"%2\" (status %3), device holds \"%4\"")
                       .arg(QChar(c))
                       .arg(QString::fromStdString(got))
                       .arg(status)
                       .arg(QString::fromStdString(truth)));
        }
        m_result.dsRequests = m_opt.dsRequests;
        stop();
    }

    CampaignOptions m_opt;
    std::mt19937 m_rng;
    CampaignResult m_result;
    std::set<std::string> m_truths; // every value the device held for any request
    std::unique_ptr<rq60::PtyServer> m_server;
};

} // namespace

CampaignResult runFaultCampaign(const CampaignOptions &options)
{
    const TVCVal saved = DeviceValues;
    CampaignResult r = Campaign(options).run();
    DeviceValues = saved;
    return r;
}
