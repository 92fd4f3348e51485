// What the service report of one visit shows, as plain data: the session
// collects it, the report (src/ui/servicereport.h) lays it out.
#ifndef PXRQ60_RECORD_SERVICEREPORTDATA_H
#define PXRQ60_RECORD_SERVICEREPORTDATA_H

#include "archiveentry.h"
#include "changelogreader.h"
#include "devicetypes.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

// A value read at connect: the device's text as the window showed it.
struct ReportValue {
    QString address;
    QString text;
};

// The two points of a temperature calibration (°C) and the offset and
// gradient before and after it.
struct ReportCalibration {
    QString lowReference, lowMeasured;
    QString highReference, highMeasured;
    QString offsetOld, offsetNew;
    QString gradientOld, gradientNew;
};

struct ServiceReportData {
    DeviceIdentity device;
    Generation generation = Generation::V2x;
    QString reader;
    QDateTime created;     // when the report was made
    QDateTime connectedAt; // when the connection began
    QList<ReportValue> valuesAtConnect;
    QList<ChangeLogEntry> changes;                // of this connection, from the log, oldest first
    std::optional<ReportCalibration> calibration; // only when calibrated in this connection
    std::optional<QList<ArchiveEntry>> archive;   // only when the archive was read
};

#endif
