#include "parameterset.h"

#include "addresscaptions.h"
#include "addresstable.h"
#include "fileproblemtext.h"
#include "helpers.h"
#include "langsupp.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <cerrno>
#include <cmath>
#include <cstring>

const char *const ParameterSetFormat = "pxrq60-parameter-set";

namespace {

constexpr qint64 MaxSetBytes = 1024 * 1024;

// What the window would hold in the field of an address after showing the
// device's text, or nothing when the text does not fit the field. The same
// reading as the display, without its leniency: a spin field would clamp a
// value outside its range and a list keep its old item, either of which
// would write something else than the set holds.
struct FieldValue {
    QString field;
    FieldInput input;
};

std::optional<qint64> integer(const QString &text)
{
    try {
        return StrToInt64(text);
    } catch (const ConversionError &) {
        return std::nullopt;
    }
}

std::optional<int> inRange(const QString &text, int low, int high)
{
    const std::optional<qint64> v = integer(text);
    if (!v || *v < low || *v > high)
        return std::nullopt;
    return int(*v);
}

std::optional<FieldValue> itemOf(const QString &field, const QString &text)
{
    const FieldInfo *info = fieldInfo(field);
    const int index = info ? int(info->items.indexOf(text)) : -1;
    if (index < 0)
        return std::nullopt;
    FieldValue f{field, {}};
    f.input.text = text;
    f.input.index = index;
    return f;
}

std::optional<FieldValue> fieldValue(const QString &address, const QString &text, Generation gen)
{
    const bool v1 = gen == Generation::V1x;
    FieldValue f{address, {}};
    f.input.text = text;
    if (address == QLatin1String("L18") || address == QLatin1String("L123") ||
        address == QLatin1String("L124")) {
        const std::optional<qint64> v = integer(text);
        if (!v || *v < 0 || *v > 999999999999LL)
            return std::nullopt;
        f.input.text = QString::number(*v);
        return f;
    }
    if (address == QLatin1String("L12")) {
        const std::optional<int> hour = inRange(LeftChars(text, 2), 0, 23);
        if (!hour)
            return std::nullopt;
        return itemOf(address, QString::number(*hour));
    }
    if (address == QLatin1String("L27") && !v1) {
        const int semi = text.indexOf(QLatin1Char(';'));
        const std::optional<long double> low = decimalValue(text.left(semi));
        const std::optional<long double> high = decimalValue(text.mid(semi + 1, 5));
        if (semi < 0 || !low || !high)
            return std::nullopt;
        const long double lo = std::round(*low), hi = std::round(*high);
        if (lo < -30 || lo > 50 || hi < -30 || hi > 50)
            return std::nullopt;
        f.field = QStringLiteral("L27Low");
        f.input.partner1 = QString::number(qint64(lo));
        f.input.partner2 = QString::number(qint64(hi));
        return f;
    }
    if (address == QLatin1String("L156") || address == QLatin1String("L157") ||
        address == QLatin1String("P1") || address == QLatin1String("P2") ||
        address == QLatin1String("P3"))
        return f; // the write-back's own range check decides
    if (address == QLatin1String("P4"))
        return itemOf(address, text);
    if ((address == QLatin1String("P311") && !v1) || (address == QLatin1String("P17") && v1))
        return itemOf(QStringLiteral("P311"), text);
    if ((address == QLatin1String("P310") && !v1) || (address == QLatin1String("P16") && v1)) {
        const std::optional<qint64> code = integer(text);
        const std::optional<int> item =
            code ? outputFunctionItem(int(*code), gen) : std::optional<int>();
        if (!item)
            return std::nullopt;
        f.field = QStringLiteral("P310");
        f.input.index = *item;
        return f;
    }
    if (address == QLatin1String("P13")) {
        const std::optional<int> n = inRange(text, 0, 1);
        if (!n)
            return std::nullopt;
        f.input.index = *n;
        return f;
    }
    if (address == QLatin1String("P14")) {
        const int dot = text.indexOf(QLatin1Char('.'));
        const QString flag = text.mid(dot + 1);
        const std::optional<int> seconds = inRange(text.left(dot), 0, 255);
        if (dot < 0 || !seconds || (flag != QLatin1String("0") && flag != QLatin1String("1")))
            return std::nullopt;
        f.input.text = QString::number(*seconds);
        f.input.checked = flag == QLatin1String("1");
        return f;
    }
    if (address == QLatin1String("P37") && v1) {
        const std::optional<int> n = inRange(text, 1, 2);
        if (!n)
            return std::nullopt;
        return itemOf(address, QString::number(*n));
    }
    if (address == QLatin1String("P38")) {
        const std::optional<int> n = inRange(text, 0, 4);
        if (!n)
            return std::nullopt;
        f.input.text = QString::number(*n);
        return f;
    }
    if (address == QLatin1String("P147") || address == QLatin1String("P148")) {
        f.field = address + QStringLiteral("neu");
        return f; // checked 0..4095 by the write-back's rule
    }
    return std::nullopt;
}

QString jsonString(const QJsonObject &o, const char *key)
{
    return o.value(QLatin1String(key)).toString();
}

} // namespace

QStringList parameterSetAddresses(Generation generation)
{
    if (generation == Generation::V1x)
        return {"L18", "L124", "L123", "L12", "P16", "P17",  "P4", "P1",   "P37",
                "P38", "L157", "P3",   "P13", "P14", "L156", "P2", "P147", "P148"};
    return {"L18",  "L124", "L123", "L12", "P311", "P310", "P4", "P1",   "P38",
            "L157", "P3",   "P13",  "L27", "P14",  "L156", "P2", "P147", "P148"};
}

bool isTransferable(const QString &address)
{
    static const QStringList transferable{"L12", "P310", "P311", "P16", "P17", "P4",  "P1",   "P37",
                                          "P38", "L157", "P3",   "P13", "L27", "P14", "L156", "P2"};
    return transferable.contains(address);
}

QString generationName(Generation generation)
{
    return generation == Generation::V1x ? QStringLiteral("V1x") : QStringLiteral("V2x");
}

int showSetProblem(const QString &fileName, const SetProblem &p)
{
    const QString name = QFileInfo(fileName).fileName();
    switch (p.kind) {
    case SetProblem::None: return 0;
    case SetProblem::Unreadable:
        return LangMessageBoxArgs(8571, {name, p.detail}, 500, MbIconError);
    case SetProblem::Damaged: return LangMessageBoxArgs(8572, {name, p.detail}, 500, MbIconError);
    case SetProblem::NewerVersion:
        return LangMessageBoxArgs(8573, {name, p.detail}, 500, MbIconError);
    case SetProblem::OtherGeneration:
        return LangMessageBoxArgs(8574, {name, p.detail, p.value}, 500, MbIconError);
    case SetProblem::UnknownAddress:
        return LangMessageBoxArgs(8575, {name, p.address, p.detail}, 500, MbIconError);
    case SetProblem::OutOfLimits:
        return LangMessageBoxArgs(8576, {name, p.address, addressCaption(p.address), p.value}, 500,
                                  MbIconError);
    case SetProblem::Empty: return LangMessageBoxArgs(8577, {name}, 500, MbIconError);
    }
    return 0;
}

CheckedValue checkSetValue(const QString &address, const QString &text, Generation generation)
{
    CheckedValue c;
    const std::optional<FieldValue> f = fieldValue(address, text, generation);
    if (!f)
        return c;
    c.field = f->field;
    try {
        c.wire = CheckAndFormatValue(f->field, f->input, generation);
    } catch (const ConversionError &) {
        return c;
    }
    c.ok = !c.wire.failed() && !c.wire.message;
    return c;
}

QString shownValue(const QString &address, const QString &text, Generation generation)
{
    const std::optional<FieldValue> f = fieldValue(address, text, generation);
    if (!f)
        return text;
    if (f->field == QLatin1String("P310"))
        return langText(outputFunctions().at(f->input.index).stringId);
    if (address == QLatin1String("P13"))
        return langText(uint16_t(1217 + f->input.index));
    if (address == QLatin1String("L18") || address == QLatin1String("L123") ||
        address == QLatin1String("L124") || address == QLatin1String("L12"))
        return f->input.text;
    return text;
}

ParameterSet parameterSetFromDevice(const DeviceTexts &values, const DeviceIdentity &device,
                                    const QString &reader, const QDateTime &saved,
                                    QStringList *omitted)
{
    ParameterSet set;
    set.device = device;
    set.generation = generationFromVersion(device.softwareVersion);
    set.saved = saved;
    set.reader = reader;
    for (const QString &address : parameterSetAddresses(set.generation)) {
        const QString text = values.value(address);
        if (!text.isEmpty() && checkSetValue(address, text, set.generation).ok)
            set.values.insert(address, text);
        else if (omitted)
            *omitted << address;
    }
    return set;
}

QByteArray parameterSetJson(const ParameterSet &set)
{
    QJsonObject device{{"type", set.device.type},
                       {"softwareVersion", set.device.softwareVersion},
                       {"generation", generationName(set.generation)},
                       {"number", set.device.number},
                       {"meterNumber", set.device.meterNumber},
                       {"customerNumber", set.device.customerNumber}};
    QJsonObject values;
    for (auto it = set.values.cbegin(); it != set.values.cend(); ++it)
        values.insert(it.key(), it.value());
    const QJsonObject root{
        {"format", QString::fromLatin1(ParameterSetFormat)},
        {"version", ParameterSetVersion},
        {"device", device},
        {"saved", set.saved.toOffsetFromUtc(set.saved.offsetFromUtc()).toString(Qt::ISODate)},
        {"reader", set.reader},
        {"values", values}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool saveParameterSet(const QString &path, const ParameterSet &set, QString *error)
{
    QSaveFile out(path);
    const QByteArray bytes = parameterSetJson(set);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
        if (error)
            *error = out.errorString();
        return false;
    }
    return true;
}

LoadedSet parseParameterSet(const QByteArray &json, std::optional<Generation> expected)
{
    LoadedSet r;
    auto refuse = [&r](SetProblem::Kind kind, const QString &detail, const QString &address = {},
                       const QString &value = {}) {
        r.problem = SetProblem{kind, address, value, detail};
        r.set = ParameterSet();
        return r;
    };
    QJsonParseError parse{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parse);
    if (parse.error != QJsonParseError::NoError || !doc.isObject())
        return refuse(SetProblem::Damaged, langFormatId(8583, {int(parse.offset)}));
    const QJsonObject root = doc.object();
    if (jsonString(root, "format") != QLatin1String(ParameterSetFormat) ||
        !root.value(QLatin1String("version")).isDouble())
        return refuse(SetProblem::Damaged, langText(8584));
    const int version = root.value(QLatin1String("version")).toInt();
    if (version > ParameterSetVersion)
        return refuse(SetProblem::NewerVersion, QString::number(version));
    if (version < 1)
        return refuse(SetProblem::Damaged, langText(8584));
    const QJsonObject device = root.value(QLatin1String("device")).toObject();
    ParameterSet &set = r.set;
    set.device.type = jsonString(device, "type");
    set.device.softwareVersion = jsonString(device, "softwareVersion");
    set.device.number = jsonString(device, "number");
    set.device.meterNumber = jsonString(device, "meterNumber");
    set.device.customerNumber = jsonString(device, "customerNumber");
    if (!decimalValue(set.device.softwareVersion))
        return refuse(SetProblem::Damaged, langFormatId(8585, {"softwareVersion"}));
    set.generation = generationFromVersion(set.device.softwareVersion);
    const QString named = jsonString(device, "generation");
    if (!named.isEmpty() && named != generationName(set.generation))
        return refuse(SetProblem::Damaged, langFormatId(8585, {"generation"}));
    if (expected && *expected != set.generation)
        return refuse(SetProblem::OtherGeneration, generationName(set.generation), {},
                      generationName(*expected));
    set.saved = QDateTime::fromString(jsonString(root, "saved"), Qt::ISODate);
    set.reader = jsonString(root, "reader");
    const QJsonValue values = root.value(QLatin1String("values"));
    if (!values.isObject())
        return refuse(SetProblem::Damaged, langFormatId(8585, {"values"}));
    const QStringList known = parameterSetAddresses(set.generation);
    const QJsonObject object = values.toObject();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        const QString address = it.key().trimmed().toUpper();
        if (!it.value().isString())
            return refuse(SetProblem::Damaged, langFormatId(8586, {it.key()}));
        if (!known.contains(address))
            return refuse(SetProblem::UnknownAddress, generationName(set.generation), it.key());
        const QString text = it.value().toString();
        if (!checkSetValue(address, text, set.generation).ok)
            return refuse(SetProblem::OutOfLimits, QString(), address, text);
        set.values.insert(address, text);
    }
    if (set.values.isEmpty())
        return refuse(SetProblem::Empty, QString());
    return r;
}

LoadedSet loadParameterSet(const QString &path, std::optional<Generation> expected)
{
    QByteArray bytes;
    bool exists = false;
    FileProblem problem;
    if (!readPlainFile(path, MaxSetBytes, &bytes, &exists, &problem) || !exists) {
        LoadedSet r;
        r.problem.kind = SetProblem::Unreadable;
        r.problem.detail =
            exists ? fileProblemText(problem) : QString::fromLocal8Bit(std::strerror(ENOENT));
        return r;
    }
    return parseParameterSet(bytes, expected);
}
