#include "dsmodul.h"

#include "commclass.h"
#include "helpers.h"
#include "langsupp.h"

#include <cstring>

const char *const DSCommands = "blnpstz^VY|T";

namespace {

// Field answers are at most 30 characters and the terminator.
constexpr int FieldBufferSize = 31;

// Field index of a command letter; -1 for "b" (the length) and unknowns.
int fieldOf(char c)
{
    static const char order[] = "lYp^nVTst|z";
    const char *p = std::strchr(order, c);
    return (p && c) ? int(p - order) : -1;
}

int32_t readField(TCommClass *link, char command, QString &text)
{
    if (!link)
        return drv::DrvOutOfOrder;
    char buffer[FieldBufferSize] = {};
    int32_t count = FieldBufferSize;
    int32_t param = static_cast<unsigned char>(command);
    const int32_t status = link->ProtocolCall(drv::ProtoRead, buffer, &count, &param);
    if (status == 0) {
        buffer[FieldBufferSize - 1] = '\0';
        text = QString::fromLatin1(buffer);
    }
    return status;
}

int32_t protocolCall(TCommClass *link, int32_t code)
{
    if (!link)
        return drv::DrvOutOfOrder;
    char buffer[FieldBufferSize] = {};
    int32_t count = FieldBufferSize, param = 0;
    return link->ProtocolCall(code, buffer, &count, &param);
}

} // namespace

int dsBlockCount(const QString &lengthText)
{
    bool ok = false;
    const uint n = lengthText.toUInt(&ok, 16);
    if (!ok || lengthText.isEmpty() || lengthText.trimmed() != lengthText)
        return 0;
    return int(n / 6 + (n % 6 ? 1 : 0));
}

int32_t ReadDSBlocks(TCommClass *link, const QString &lengthText, QString &data)
{
    const int blocks = dsBlockCount(lengthText);
    data.clear();
    // A garbled length must not make the readout loop for hours, and a
    // shortened archive must not pass for the whole one.
    if (blocks > MaxDsBlocks)
        return drv::DrvAnswerTooLong;
    int32_t status = 0;
    for (int i = 0; i < blocks; ++i) {
        QString block;
        status = readField(link, 'x', block);
        if (status != 0)
            break;
        data += block;
    }
    return status;
}

void ReadDSRecord(TCommClass *link, const QString &commands, TDSData &record)
{
    QString length;
    for (QChar qc : commands) {
        const char c = qc.toLatin1();
        QString text;
        const int32_t status = readField(link, c, text);
        if (status != 0) {
            LangMessageBoxArgs(7000, {status, QString(qc)}, 500, MbOk);
            continue;
        }
        if (c == 'b')
            length = text;
        else if (fieldOf(c) >= 0)
            record.Field[size_t(fieldOf(c))] = text;
    }
    if (record.Field[1] == QLatin1String("01")) {
        const int blocks = dsBlockCount(length);
        if (blocks > MaxDsBlocks) {
            record.Field[11].clear();
            LangMessageBoxArgs(7003, {blocks, MaxDsBlocks}, 500, MbOk);
            return;
        }
        const int32_t status = ReadDSBlocks(link, length, record.Field[11]);
        if (record.Field[11].isEmpty())
            LangMessageBoxArgs(7001, {status}, 500, MbOk);
    }
}

void ReadDSArchive(TCommClass *link, TDSData &data00, TDSData &data01)
{
    // The working record is kept between the two passes: a field that fails
    // in the second pass keeps the text of the first.
    TDSData work;
    for (int pass = 0; pass < 2; ++pass) {
        ReadDSRecord(link, QString::fromLatin1(DSCommands), work);
        if (work.Field[1] == QLatin1String("00"))
            data00 = work;
        else if (work.Field[1] == QLatin1String("01"))
            data01 = work;
        protocolCall(link, drv::ProtoEnd);
        WaitMs(500);
        const int32_t status = protocolCall(link, drv::ProtoStart);
        if (status != 0) {
            LangMessageBoxArgs(7002, {status}, 500, MbOk);
            return;
        }
    }
}
