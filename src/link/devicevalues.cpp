#include "devicevalues.h"

#include "commclass.h"
#include "helpers.h"

#include <bitset>
#include <cstdio>
#include <cstring>

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

void StoreValue(TVCVal &store, const QString &key, const QString &value)
{
    if (key == QLatin1String("TempLowRef")) {
        store.TempLowRef = value;
        return;
    }
    if (key == QLatin1String("TempHighRef")) {
        store.TempHighRef = value;
        return;
    }
    for (QChar letter : {QLatin1Char('H'), QLatin1Char('L'), QLatin1Char('P')}) {
        const int pos = key.indexOf(letter);
        if (pos < 0)
            continue;
        int size = 0;
        QString *arr = arrayFor(store, letter, &size);
        const int n = numberAfter(key, pos + 1);
        // Keys outside the store are dropped, never written past an array.
        if (n >= 0 && n < size)
            arr[n] = value;
    }
    if (key == QLatin1String("P28"))
        store.P[store.TempReadSide == TempPoint::Lower ? 170 : 171] = value;
}

namespace {

constexpr int HighestRead = 311;

// The addresses a list names, each once: every letter H, L or P in the list
// (blanks removed, one "," appended) that is followed by a decimal number
// without leading zeros up to 311 and a ",". This is exactly the set of
// texts letter + number + "," that the list contains.
struct ListedAddresses {
    std::bitset<HighestRead + 1> letter[3]; // H, L, P
};

ListedAddresses listedAddresses(const QString &list)
{
    ListedAddresses out;
    const QString wanted = RemoveChars(list, QStringLiteral(" ")) + QLatin1Char(',');
    static const QString letters = QStringLiteral("HLP");
    for (int i = 0; i < wanted.size(); ++i) {
        const int which = letters.indexOf(wanted.at(i));
        if (which < 0)
            continue;
        int j = i + 1, n = 0;
        while (j < wanted.size() && j - i <= 3 && wanted.at(j) >= QLatin1Char('0') &&
               wanted.at(j) <= QLatin1Char('9'))
            n = n * 10 + (wanted.at(j++).unicode() - '0');
        const int digits = j - i - 1;
        const bool canonical = digits == 1 || (digits > 1 && wanted.at(i + 1) != QLatin1Char('0'));
        if (canonical && j < wanted.size() && wanted.at(j) == QLatin1Char(',') && n <= HighestRead)
            out.letter[which].set(size_t(n));
    }
    return out;
}

} // namespace

int32_t ReadValues(TCommClass *link, TVCVal &store, const QString &list)
{
    if (!link)
        return drv::DrvOutOfOrder;
    const ListedAddresses listed = listedAddresses(list);
    int32_t result = 0;
    for (int which = 0; which < 3; ++which) {
        for (int n = 0; n <= HighestRead; ++n) {
            if (!listed.letter[which].test(size_t(n)))
                continue;
            char buffer[ReadBufferSize] = {};
            const int len = std::snprintf(buffer, sizeof buffer, "%c%d", "HLP"[which], n);
            int32_t count = ReadBufferSize, param = 0;
            int32_t status = link->ProtocolCall(drv::ProtoRead, buffer, &count, &param);
            if (status == 0) {
                buffer[ReadBufferSize - 1] = '\0';
                const char *eq = std::strchr(buffer, '=');
                if (!eq)
                    status = drv::DrvUnexpected; // no value: keep the old text
                else
                    StoreValue(store, QString::fromLatin1(buffer, len),
                               QString::fromLatin1(eq + 1));
            }
            if (status == 0)
                continue;
            result = status;
            // A device gone silent, or a line gone: every further address
            // would wait as long again for nothing. Their old texts stay.
            if (status == drv::DrvTimeout || status == drv::DrvLineGone)
                return result;
        }
    }
    return result;
}

int32_t WriteValue(TCommClass *link, const QString &request, QString *answerValue)
{
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
    int32_t result = status;
    if (status == 0) {
        buffer[WriteBufferSize - 1] = '\0';
        const char *eq = std::strchr(buffer, '=');
        // An answer without a value says nothing about what the device holds:
        // the caller keeps what it had, as for a failed read.
        if (!eq)
            result = drv::DrvUnexpected;
        else if (answerValue)
            *answerValue = QString::fromLatin1(eq + 1);
    }
    explicit_bzero(buffer, sizeof buffer);
    return result;
}
