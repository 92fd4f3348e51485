// The record readout of V1x devices over the "DS" protocol: two records of
// twelve field texts, read one field at a time by command letters.
#ifndef PXRQ60_LINK_DSMODUL_H
#define PXRQ60_LINK_DSMODUL_H

#include <QString>
#include <array>
#include <cstdint>

class TCommClass;

// Field 1 is the record kind ("00" or "01"); field 11 the record's data,
// the texts of all data blocks joined.
struct TDSData {
    std::array<QString, 12> Field;
    bool operator==(const TDSData &o) const { return Field == o.Field; }
};

// The command letters in the order they are sent.
extern const char *const DSCommands; // "blnpstz^VY|T"

// Reads both records through `link`, which must be an open "DS" link: a
// record of kind "00" goes to `data00`, one of kind "01" to `data01` (the
// program's DSData00 and DSData01, which its device session holds). Reports
// its failures itself (messages 7000 to 7002).
void ReadDSArchive(TCommClass *link, TDSData &data00, TDSData &data01);
void ReadDSRecord(TCommClass *link, const QString &commands, TDSData &record);
// The most data blocks a record is read with (24576 fields, far more than
// any device holds). A record announcing more is reported (message 7003) and
// its data is not read.
constexpr int MaxDsBlocks = 4096;

// Reads the data blocks announced by `lengthText` (hex count of 3-character
// fields, 6 fields a block) into `data`; returns the status of the last
// block read. An empty or non-hex length reads no block; more than
// MaxDsBlocks reads none and gives -12.
int32_t ReadDSBlocks(TCommClass *link, const QString &lengthText, QString &data);
// The number of blocks for a length text: 0 when it is empty or not hex.
int dsBlockCount(const QString &lengthText);

#endif
