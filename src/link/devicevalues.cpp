#include "devicevalues.h"

#include "commclass.h"
#include "helpers.h"

#include <cstring>

TVCVal DeviceValues;

namespace {

// Read answers: 100 characters and the terminator.
constexpr int ReadBufferSize = 101;
// Writes carry the request out and the device's answer back; both fit here.
constexpr int WriteBufferSize = 256;

// The array and its size for an address letter, or null.
QString *arrayFor(TVCVal &v, QChar letter, int *size)
{
    switch (letter.unicode()) {
    case 'H': *size = TVCVal::HCount; return v.H;
    case 'L': *size = TVCVal::LCount; return v.L;
    case 'P': *size = TVCVal::PCount; return v.P;
    }
    return nullptr;
}

// The decimal number that follows position `pos` of `key`; -1 when none.
int numberAfter(const QString &key, int pos)
{
    int n = 0, digits = 0;
    for (int i = pos; i < key.size() && key.at(i).isDigit() && digits < 6; ++i, ++digits)
        n = n * 10 + key.at(i).digitValue();
    return digits ? n : -1;
}

} // namespace

QString TVCVal::value(const QString &key) const
{
    if (key == QLatin1String("TempLowRef"))
        return TempLowRef;
    if (key == QLatin1String("TempHighRef"))
        return TempHighRef;
    if (key.size() < 2)
        return QString();
    int size = 0;
    QString *arr = arrayFor(const_cast<TVCVal &>(*this), key.at(0), &size);
    const int n = numberAfter(key, 1);
    if (!arr || n < 0 || n >= size || QString::number(n).size() != key.size() - 1)
        return QString();
    return arr[n];
}

void TVCVal::clear()
{
    *this = TVCVal();
}

void TVCVal::clearDeviceTexts()
{
    for (QString &t : H)
        t.clear();
    for (QString &t : L)
        t.clear();
    for (QString &t : P)
        t.clear();
}

void StoreValue(const QString &key, const QString &value)
{
    if (key == QLatin1String("TempLowRef")) {
        DeviceValues.TempLowRef = value;
        return;
    }
    if (key == QLatin1String("TempHighRef")) {
        DeviceValues.TempHighRef = value;
        return;
    }
    for (QChar letter : {QLatin1Char('H'), QLatin1Char('L'), QLatin1Char('P')}) {
        const int pos = key.indexOf(letter);
        if (pos < 0)
            continue;
        int size = 0;
        QString *arr = arrayFor(DeviceValues, letter, &size);
        const int n = numberAfter(key, pos + 1);
        // Keys outside the store are dropped, never written past an array.
        if (n >= 0 && n < size)
            arr[n] = value;
    }
    if (key == QLatin1String("P28")) {
        if (DeviceValues.TempReadSide == QLatin1String("LOWER"))
            DeviceValues.P[170] = value;
        else
            DeviceValues.P[171] = value;
    }
}

int32_t ReadValues(const QString &list)
{
    TCommClass *link = currentLink();
    if (!link)
        return drv::DrvOutOfOrder;
    const QString wanted = RemoveChars(list, QStringLiteral(" ")) + QLatin1Char(',');
    int32_t result = 0;
    for (QChar letter : {QLatin1Char('H'), QLatin1Char('L'), QLatin1Char('P')}) {
        for (int n = 0; n <= 311; ++n) {
            const QString address = letter + QString::number(n);
            if (!wanted.contains(address + QLatin1Char(',')))
                continue;
            char buffer[ReadBufferSize] = {};
            const QByteArray request = address.toLatin1();
            std::memcpy(buffer, request.constData(), size_t(request.size()));
            int32_t count = ReadBufferSize, param = 0;
            int32_t status = link->ProtocolCall(drv::ProtoRead, buffer, &count, &param);
            if (status == 0) {
                buffer[ReadBufferSize - 1] = '\0';
                const QString answer = QString::fromLatin1(buffer);
                const int eq = answer.indexOf(QLatin1Char('='));
                if (eq < 0)
                    status = drv::DrvUnexpected; // no value: keep the old text
                else
                    StoreValue(address, answer.mid(eq + 1));
            }
            if (status != 0)
                result = status;
        }
    }
    return result;
}

int32_t WriteValue(const QString &request, QString *answerValue)
{
    TCommClass *link = currentLink();
    if (!link)
        return drv::DrvOutOfOrder;
    QByteArray out = request.toLatin1();
    if (out.size() >= WriteBufferSize) {
        explicit_bzero(out.data(), size_t(out.size()));
        return drv::DrvBadArgument;
    }
    char buffer[WriteBufferSize] = {};
    std::memcpy(buffer, out.constData(), size_t(out.size()));
    // The request may carry a lock key: no copy of it outlives the call.
    explicit_bzero(out.data(), size_t(out.size()));
    int32_t count = WriteBufferSize, param = 0;
    const int32_t status = link->ProtocolCall(drv::ProtoWrite, buffer, &count, &param);
    if (status == 0 && answerValue) {
        buffer[WriteBufferSize - 1] = '\0';
        const QString answer = QString::fromLatin1(buffer);
        const int eq = answer.indexOf(QLatin1Char('='));
        *answerValue = eq < 0 ? QString() : answer.mid(eq + 1);
    }
    explicit_bzero(buffer, sizeof buffer);
    return status;
}

int32_t WriteValueConfirmed(const QString &address, const QString &value, QString *storedValue)
{
    QString answer;
    int32_t status = WriteValue(address + QLatin1Char('=') + value, &answer);
    if (status == 0) {
        StoreValue(address, answer);
    } else if (status == drv::DrvNotConfirmed) {
        // The device may have taken the value and only its answer got lost:
        // what it holds now decides.
        if (ReadValues(address) == 0 && DeviceValues.value(address) == value)
            status = 0;
    }
    if (storedValue)
        *storedValue = DeviceValues.value(address);
    return status;
}
