// A fault campaign: requests through the link object and our real driver
// libraries against the simulated RQ-60 behind a pseudo-terminal, with a
// random fault of the simulator on about half of them, each result compared
// with what the device holds at that moment.
//
// Before every request the campaign gives the addressed value a new text
// (or, for DS fields, reads fields whose texts differ), so an answer that
// belongs to another request shows: its value is the truth of another
// request. Faults: late (beyond the drivers' wait, up to the time they wait
// out), dup, stale, corrupt, drop, echo; "none" is the clean request.
//
// Used by bench/bench_faults (long, with times) and by a test (short, the
// three counts must be 0).
#ifndef PXRQ60_TESTS_FAULTCAMPAIGN_H
#define PXRQ60_TESTS_FAULTCAMPAIGN_H

#include <QString>
#include <cstdint>
#include <map>
#include <string>

struct CampaignOptions {
    int wnRequests = 800; // reads and writes over "WN" (V2x device)
    int dsRequests = 400; // field reads over "DS" (V1x device)
    double faultShare = 0.5;
    unsigned seed = 1;
    int paceBaud = 0; // 0: answers unpaced (requests still take their wire time)
};

struct FaultFigures {
    int requests = 0;
    int faults = 0;             // requests with this fault injected
    int failed = 0;             // ended with a non-zero status (the safe side)
    int wrongValues = 0;        // status 0 with a value the device did not hold
    int staleAccepted = 0;      // status 0 with the value of another request
    int falseConfirmations = 0; // a write reported done that the device did not take
    double slowestMs = 0;       // the longest request of this kind
};

struct CampaignResult {
    std::map<std::string, FaultFigures> byKind; // "none", "late", ...
    FaultFigures total;
    int wnRequests = 0, dsRequests = 0;
    double seconds = 0;
    QString firstProblem; // the first wrong, stale or false result, for the test's message
};

// Runs the campaign; needs PX_BIN_DIR's driver libraries beside the program
// (the caller points the loader there).
CampaignResult runFaultCampaign(const CampaignOptions &options);

#endif
