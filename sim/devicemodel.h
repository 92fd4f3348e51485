// The RQ-60's address space and the rules by which it reads and takes
// values: one object per simulated device, of generation 1 (V1x, software
// version "1.22") or 2 (V2x, "2.05").
//
// Every value is a text in the form the device sends it. Counters, clock,
// temperature and battery follow a simulated gas flow and a running clock;
// advance() moves simulated time on. The model knows nothing of framing or
// sessions (that is Simulator's job) and is not thread-safe: its owner
// serialises calls.
#ifndef RQ60SIM_DEVICEMODEL_H
#define RQ60SIM_DEVICEMODEL_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace rq60 {

// Device error numbers, answered as "(ERnn)".
enum DeviceError {
    NoError = 0,
    ErUnknownAddress = 1, // the device has no such address
    ErReadOnly = 2,       // the address cannot be written
    ErBadValue = 3,       // bad syntax or out of the device's range
    ErLocked = 4,         // calibration lock or user lock closed
    ErBusy = 5,           // device busy (only by fault injection)
};

class DeviceModel
{
public:
    // generation 1 = V1x, anything else = V2x.
    explicit DeviceModel(int generation);

    int generation() const { return m_generation; }

    // Reads one address ("L34", "H201"). Returns NoError and sets *value, or
    // the device error. Write-only keys read back as "*" of their length.
    int read(const std::string &address, std::string *value) const;

    // Writes as the device takes a W1 request: unknown address ER01,
    // read-only ER02, lock closed ER04, bad syntax or range ER03 (checked in
    // that order). On success *stored receives the value the device now
    // holds, which is what a read of the address answers afterwards.
    int write(const std::string &address, const std::string &value, std::string *stored);

    // True when the address exists in this generation.
    bool exists(const std::string &address) const;
    // All addresses of this generation, sorted H, L, P by number.
    std::vector<std::string> addresses() const;

    // Forces a value without the device's checks (control command "set").
    // Counters, clock, battery, status register and sensor temperature take
    // a number or their own text form and keep running from it; any other
    // text, or any other address, is held verbatim until the next forced or
    // written value. Returns false for an address the device does not have.
    bool force(const std::string &address, const std::string &value);

    // Moves simulated time on by ms: counters grow with the flow, the clock
    // runs, the battery drains, and month boundaries (day 1 at the hour of
    // L12) take the month-end values and a new archive entry.
    void advance(std::int64_t ms);

    // The calibration lock is a seal switch on the device: only the
    // technician (control command "lock") opens or closes it.
    void setCalibrationLock(bool open) { m_calibrationOpen = open; }
    bool calibrationLockOpen() const { return m_calibrationOpen; }
    // V1x: supplier lock (P0) or customer lock (P10) open. Always false on V2x.
    bool userLockOpen() const;

    // Simulated process: operating flow in m3/h, true temperature at the
    // sensor in degrees C, and a forced disturbance (base volume then runs
    // into the disturbed counter H4).
    void setFlow(double m3PerHour) { m_flow = m3PerHour < 0 ? 0 : m3PerHour; }
    double flow() const { return m_flow; }
    void setSensorTemperature(double celsius) { m_sensorC = celsius; }
    double sensorTemperature() const { return m_sensorC; }
    void setDisturbed(bool on) { m_forcedDisturbance = on; }

    // The temperature the device measures now, from the sensor and the
    // offset P147 and gradient P148, in degrees C.
    double measuredTemperature() const;

    // V1x record readout. Kind 0 is the current-values record, kind 1 the
    // archive record. Field texts for the command letters of the readout
    // ("blnpstz^VY|T" and "a"); false for a letter the device does not know.
    // "b" and "x" are served by recordData().
    bool recordField(int kind, char command, std::string *text) const;
    // The record's data: 3-character fields run together. Kind 1 holds the
    // archive, newest entry first, twelve fields per entry ending in "FFA",
    // and "FF1" after the last; kind 0 holds none.
    std::string recordData(int kind) const;

    // Keeps only the newest n (0..15) archive entries, as on a device that
    // has not yet run for fifteen months.
    void keepArchive(int n);

    // Archive entry k = 1..15 (1 = newest) as the V2x text "value;dd.mm.yy".
    std::string archiveEntry(int k) const;

private:
    struct Counters {
        double h1 = 0, h2 = 0, h4 = 0, h23 = 0;
    };
    struct ArchiveItem {
        std::int64_t value = 0;  // eight digits
        std::int64_t whenMs = 0; // device clock at the month boundary
    };

    bool userClassOpen() const;
    int lockClassError(const std::string &address) const;
    int writeDynamic(const std::string &address, const std::string &value, std::string *stored,
                     bool *handled);
    std::string dynamicValue(const std::string &address, bool *handled) const;
    std::string temperatureText(double celsius) const;
    double gasTemperatureForConversion(bool *disturbed) const;
    void run(std::int64_t ms);
    void monthEnd();
    std::int64_t nextMonthEnd(std::int64_t afterMs) const;
    std::int64_t previousMonthEnd(std::int64_t atOrBeforeMs) const;
    int monthEndHour() const;
    int monthEndMinute() const;
    double number(const std::string &address, double fallback) const;
    std::string statusText() const;
    std::string batteryText() const;

    int m_generation;
    bool m_calibrationOpen = false;
    double m_flow = 25.0;    // m3/h at operating conditions
    double m_sensorC = 15.0; // true temperature at the sensor
    bool m_forcedDisturbance = false;

    std::int64_t m_clockMs = 0; // device clock, ms since 1970-01-01 00:00 (civil, no zone)
    Counters m_count;
    Counters m_monthEnd;
    // H2 and H4 as last written: the program writes H6 right after them as
    // their sum, while gas flow has already moved the counters on.
    Counters m_written;
    bool m_h2Written = false, m_h4Written = false;
    std::vector<ArchiveItem> m_archive; // newest first, at most 15
    double m_batteryAh = 8.7;
    std::vector<int> m_statusEvents;               // sticky bits of status register 1
    std::map<std::string, std::string> m_values;   // plain parameters, keys, lock states
    std::map<std::string, std::string> m_verbatim; // forced texts that win over computed ones
};

} // namespace rq60

#endif
