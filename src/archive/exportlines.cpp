#include "exportlines.h"

#include "devicevalues.h"
#include "dsmodul.h"
#include "exportfile.h"
#include "helpers.h"

#include <QHash>
#include <cmath>
#include <cstdio>

namespace {

using Field = std::function<QString()>;
using Fields = QHash<QString, Field>;

// The line tables. "{name}" stands for the field of that name; everything
// else is written as it stands. T(x) trims leading blanks and zeros, L(x, n)
// takes the first n characters, Z(x) gives "0" for an empty text, V(x)
// drops the points, E(x) is the decimal exponent plus 2, F(x) the pulse
// factor of a DS record.
const char *const CommonTail[] = {"0,0,0", ",0"};

const char *const V2xHead[] = {
    "{date},{time},{T(L18)},{date}   {time}",
    "84{V(L34)},{T(L(H6,13))},{T(L(H2,13))},,,",
    "{L4},{E(P4)},98",
    "{T(L123)},{T(L124)},1|m3|_z,Name,{READER}",
};
const char *const V2xFoot[] = {"0,{T(L(H8,11))},0", "", "&HFF1"};

const char *const V1xHead[] = {
    "{date},{time},{T(R.0)},{date}   {time}",
    "84{V(L34)},{Z(T(R.7))},{Z(T(R.8))},,,",
    "{L4},{E(R.4)},{R.2}",
    "{T(L123)},{T(L124)},{F(R.6)}|{R.3}|{R.5},{READER}",
};
const char *const V1xFoot[] = {"0,{T(R.9)},0", ""};

QString fill(const char *pattern, const Fields &fields)
{
    const QString p = QString::fromLatin1(pattern);
    QString out;
    for (int i = 0; i < p.size();) {
        const int close = p.at(i) == QLatin1Char('{') ? p.indexOf(QLatin1Char('}'), i) : -1;
        if (close < 0) {
            out += p.at(i++);
            continue;
        }
        const Field f = fields.value(p.mid(i + 1, close - i - 1));
        Q_ASSERT(f);
        if (f)
            out += f();
        i = close + 1;
    }
    return out;
}

template <size_t N> void fillAll(QStringList &lines, const char *const (&table)[N], const Fields &f)
{
    for (const char *pattern : table)
        lines.append(fill(pattern, f));
}

QString T(const QString &x)
{
    return TrimLeftChars(x, QStringLiteral(" 0"));
}

// The fields both generations share: date and time (asked anew at each
// use), the software version, the status register, the two customer
// numbers and the reader.
Fields commonFields(const TVCVal &v, const QString &reader, const ExportClock &now)
{
    return {
        {QStringLiteral("date"), [now] { return exportDate(now()); }},
        {QStringLiteral("time"), [now] { return exportTime(now()); }},
        {QStringLiteral("V(L34)"), [&v] { return RemoveChars(v.L[34], QStringLiteral(".")); }},
        {QStringLiteral("L4"), [&v] { return v.L[4]; }},
        {QStringLiteral("T(L123)"), [&v] { return T(v.L[123]); }},
        {QStringLiteral("T(L124)"), [&v] { return T(v.L[124]); }},
        {QStringLiteral("READER"), [reader] { return reader; }},
    };
}

// The general form of a number with up to 15 significant digits and "."
// as decimal separator, whatever the locale: the separator the program
// works with, and the one the evaluation program reads.
QString generalForm(double value)
{
    return QString::number(value, 'G', 15);
}

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

// The addresses of the value store each file takes, in the order it takes
// them.
const QStringList &V2xAddresses()
{
    static const QStringList list = [] {
        QStringList l{"L18", "L34", "H6", "H2", "L4", "P4", "L123", "L124", "H8", "L12"};
        for (int k = 215; k >= 201; --k)
            l << QStringLiteral("H%1").arg(k);
        return l;
    }();
    return list;
}
const QStringList V1xAddresses{"L34", "L4", "L123", "L124"};

// A value whose last read failed may be an older device's or none at all
// (an archive entry of zeros): the whole file is refused, naming every such
// address it takes.
bool refuseFailedReads(const QStringList &taken, const QSet<QString> &failedReads, ExportLines &out)
{
    QStringList failed;
    for (const QString &a : taken)
        if (failedReads.contains(a))
            failed << a;
    if (failed.isEmpty())
        return false;
    out.error = ExportValueError{ExportValueError::ReadFailed, {}, {}, {}, {}, failed, 0, 0};
    return true;
}

} // namespace

QString exportDate(const QDateTime &now)
{
    const QDate d = now.date();
    return twoDigits(d.day()) + QLatin1Char('.') + twoDigits(d.month()) + QLatin1Char('.') +
           twoDigits(d.year() % 100);
}

QString exportTime(const QDateTime &now)
{
    const QTime t = now.time();
    return twoDigits(t.hour()) + QLatin1Char(':') + twoDigits(t.minute()) + QLatin1Char(':') +
           twoDigits(t.second());
}

// E(x) = log10(x) + 2, rounded to the nearest whole number ("%1.0f"; an
// exact half would go to the even neighbour, but no decimal text lands on
// one), computed in double precision from x as written. Single precision
// first rounded x to 24 bits, which moved values near a half across it:
// 31.6227766 became 31.622776, whose logarithm 1.5 plus 2 rounded to 4,
// where the value's own 3.49999999998 gives 3. In double precision:
//   0.01        -> log10 exactly -2   -> 0
//   3.16227766  -> 2.49999999998      -> 2
//   3.1622777   -> 2.50000000547      -> 3
//   0.009       -> -0.0458            -> 0
// A result that rounds to zero from below is written "0", never "-0": the
// evaluation program reads a plain number. Values a float could not hold
// (1e-50, 1e39) are numbers now: -48, 41.
std::optional<QString> exponentField(const QString &x)
{
    bool ok = false;
    // QString's conversion is the C locale's: "." only, no group separator.
    const double value = x.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || !(value > 0.0))
        return std::nullopt;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%1.0f", std::log10(value) + 2.0);
    QString text = QString::fromLatin1(buffer);
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return text;
}

std::optional<QString> pulseFactorField(const QString &r6)
{
    if (r6.size() != 12)
        return r6;
    // Mantissa and exponent digits only: a blank or a sign among them would
    // otherwise still convert to some number.
    for (int i : {0, 1, 2, 3, 4, 5, 6, 7, 10, 11})
        if (r6.at(i) < QLatin1Char('0') || r6.at(i) > QLatin1Char('9'))
            return std::nullopt;
    const QString sign =
        r6.mid(8, 2) == QLatin1String("00") ? QStringLiteral("+") : QStringLiteral("-");
    const QString text =
        QStringLiteral("0.") + r6.left(8) + QLatin1Char('E') + sign + r6.mid(10, 2);
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return generalForm(value);
}

QString v2xArchiveLine(const QString &x, const QString &l12)
{
    const QString d = x.mid(x.indexOf(QLatin1Char(';')) + 1, 8);
    const QString fields[] = {d.mid(6, 2), d.mid(3, 2), d.mid(0, 2), l12.mid(0, 2), l12.mid(3, 2),
                              x.mid(0, 2), x.mid(2, 2), x.mid(4, 2), x.mid(6, 2)};
    QString line = QStringLiteral("&HFFA");
    for (const QString &f : fields)
        line += QStringLiteral(",&H0") + f;
    return line + QStringLiteral(",&H098,&H0FF");
}

QStringList convertArchiveDump(const QString &dump)
{
    QStringList lines;
    QString line;
    int k = 0;
    const auto store = [&lines](const QString &l) {
        lines.append(TrimLeftChars(l, QStringLiteral(",")));
    };
    for (int end = dump.size(); end >= 3; end -= 3) {
        const QString f = dump.mid(end - 3, 3);
        ++k;
        if (f.contains(QLatin1String("FF")) && k > 1) {
            store(line);
            line = QStringLiteral("&H") + f;
            k = 1;
        } else {
            line += QStringLiteral(",&H") + f;
        }
    }
    // The fields before the first "FF" field: the dump's first record. It
    // is a record like the others and goes into the file too.
    if (!line.isEmpty())
        store(line);
    return lines;
}

ExportLines ListRQV2xData(const TVCVal &v, const QString &reader, const ExportClock &now,
                          const QSet<QString> &failedReads)
{
    ExportLines out;
    if (refuseFailedReads(V2xAddresses(), failedReads, out))
        return out;
    Fields f = commonFields(v, reader, now);
    f.insert(QStringLiteral("T(L18)"), [&v] { return T(v.L[18]); });
    f.insert(QStringLiteral("T(L(H6,13))"), [&v] { return T(LeftChars(v.H[6], 13)); });
    f.insert(QStringLiteral("T(L(H2,13))"), [&v] { return T(LeftChars(v.H[2], 13)); });
    f.insert(QStringLiteral("T(L(H8,11))"), [&v] { return T(LeftChars(v.H[8], 11)); });
    f.insert(QStringLiteral("E(P4)"), [&v, &out] {
        const std::optional<QString> e = exponentField(v.P[4]);
        if (!e && !out.error)
            out.error = ExportValueError{
                ExportValueError::NotPositive, QStringLiteral("P4"), {}, {}, v.P[4], {}, 0, 0};
        return e.value_or(QString());
    });
    fillAll(out.lines, V2xHead, f);
    fillAll(out.lines, CommonTail, f);
    fillAll(out.lines, V2xFoot, f);
    for (int k = 215; k >= 201; --k)
        out.lines.append(v2xArchiveLine(v.H[k], v.L[12]));
    if (out.error)
        out.lines.clear();
    return out;
}

ExportLines ListRQV1xData(const TVCVal &v, const TDSData &r, int pass, const QString &reader,
                          const ExportClock &now, const QSet<QString> &failedReads,
                          const DSRecordState &state)
{
    ExportLines out;
    const QString kind = pass == 0 ? QStringLiteral("00") : QStringLiteral("01");
    if (refuseFailedReads(V1xAddresses, failedReads, out))
        return out;
    if (!state.fromThisReadout) {
        out.error =
            ExportValueError{ExportValueError::RecordNotFromReadout, {}, kind, {}, {}, {}, 0, 0};
        return out;
    }
    if (state.blocksRead < state.blocksAnnounced) {
        ExportValueError e{ExportValueError::RecordIncomplete, {}, kind, {}, {}, {}, 0, 0};
        e.blocksRead = state.blocksRead;
        e.blocksAnnounced = state.blocksAnnounced;
        out.error = e;
        return out;
    }
    return ListRQV1xData(v, r, pass, reader, now);
}

ExportLines ListRQV1xData(const TVCVal &v, const TDSData &r, int pass, const QString &reader,
                          const ExportClock &now)
{
    ExportLines out;
    const QString kind = pass == 0 ? QStringLiteral("00") : QStringLiteral("01");
    const auto fail = [&out, &kind](ExportValueError::Kind k, QChar command, const QString &text) {
        if (!out.error)
            out.error = ExportValueError{k, {}, kind, command, text, {}, 0, 0};
    };
    Fields f = commonFields(v, reader, now);
    f.insert(QStringLiteral("T(R.0)"), [&r] { return T(r.Field[0]); });
    f.insert(QStringLiteral("Z(T(R.7))"), [&r] { return ZeroIfEmpty(T(r.Field[7])); });
    f.insert(QStringLiteral("Z(T(R.8))"), [&r] { return ZeroIfEmpty(T(r.Field[8])); });
    f.insert(QStringLiteral("T(R.9)"), [&r] { return T(r.Field[9]); });
    f.insert(QStringLiteral("R.2"), [&r] { return r.Field[2]; });
    f.insert(QStringLiteral("E(R.4)"), [&r, fail] {
        const std::optional<QString> e = exponentField(r.Field[4]);
        if (!e)
            fail(ExportValueError::NotPositive, QLatin1Char('n'), r.Field[4]);
        return e.value_or(QString());
    });
    f.insert(QStringLiteral("R.3"), [&r] { return r.Field[3]; });
    f.insert(QStringLiteral("R.5"), [&r] { return r.Field[5]; });
    f.insert(QStringLiteral("F(R.6)"), [&r, fail] {
        const std::optional<QString> factor = pulseFactorField(r.Field[6]);
        if (!factor)
            fail(ExportValueError::NotAFactor, QLatin1Char('T'), r.Field[6]);
        return factor.value_or(QString());
    });
    fillAll(out.lines, V1xHead, f);
    fillAll(out.lines, CommonTail, f);
    fillAll(out.lines, V1xFoot, f);
    if (pass == 1)
        out.lines += convertArchiveDump(r.Field[11]);
    if (out.error)
        out.lines.clear();
    return out;
}

ExportContents buildExportContents(const ExportSource &s)
{
    ExportContents out;
    QList<ExportLines> files;
    if (s.generation == Generation::V2x) {
        files << ListRQV2xData(*s.values, s.reader, s.now, s.failedReads);
    } else {
        files << ListRQV1xData(*s.values, *s.current, 0, s.reader, s.now, s.failedReads,
                               s.currentState)
              << ListRQV1xData(*s.values, *s.archive, 1, s.reader, s.now, s.failedReads,
                               s.archiveState);
    }
    for (int i = 0; i < files.size(); ++i) {
        if (files.at(i).error) {
            out.error = files.at(i).error;
            out.fileIndex = i;
            return out;
        }
    }
    for (const ExportLines &f : files)
        out.files << exportFileBytes(f.lines);
    return out;
}
