#include "linkfixture.h"

#include <memory>

TVCVal DeviceValues;
TDSData DSData00;
TDSData DSData01;

namespace {
std::unique_ptr<TCommClass> &slot()
{
    static std::unique_ptr<TCommClass> link;
    return link;
}
} // namespace

TCommClass *currentLink()
{
    return slot().get();
}

TCommClass *replaceCurrentLink(const QString &selector)
{
    slot().reset();
    slot() = std::make_unique<TCommClass>(selector);
    return slot().get();
}

void destroyCurrentLink()
{
    slot().reset();
}

int32_t ReadValues(const QString &list)
{
    return ReadValues(currentLink(), DeviceValues, list);
}

void StoreValue(const QString &key, const QString &value)
{
    StoreValue(DeviceValues, key, value);
}

int32_t WriteValue(const QString &request, QString *answerValue)
{
    return WriteValue(currentLink(), request, answerValue);
}

void ReadDSArchive()
{
    ReadDSArchive(currentLink(), DSData00, DSData01);
}

void ReadDSRecord(const QString &commands, TDSData &record)
{
    ReadDSRecord(currentLink(), commands, record);
}

int32_t ReadDSBlocks(const QString &lengthText, QString &data)
{
    return ReadDSBlocks(currentLink(), lengthText, data);
}
