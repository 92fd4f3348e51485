// Small types shared by the device rules: the device generation, the value
// lookup the rules read from, and a message the window shows for a rule.
//
// Nothing here touches a widget or the link: the window owns the fields and
// the link object owns the value store; the rules only read texts and return
// what to do.
#ifndef PXRQ60_DEVICE_DEVICETYPES_H
#define PXRQ60_DEVICE_DEVICETYPES_H

#include <QHash>
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

// V1x: software version (L34) below 2.0, also when L34 could not be read.
// V2x: 2.0 and above.
enum class Generation { V1x, V2x };

// The generation for a software version text as read from L34. A text that
// is no number counts as 0, so an unread L34 gives V1x.
Generation generationFromVersion(const QString &l34Text);

// Where the rules get the value texts: device addresses ("L18", "P310") and
// the two reference temperatures ("TempLowRef", "TempHighRef"). An address
// never read answers an empty text.
class ValueLookup
{
public:
    virtual ~ValueLookup();
    virtual QString value(const QString &key) const = 0;
};

// A lookup over a plain map, for tests and for callers that collect texts.
class MapLookup : public ValueLookup
{
public:
    MapLookup() = default;
    MapLookup(std::initializer_list<std::pair<QString, QString>> values) : m_values(values) {}
    QString value(const QString &key) const override { return m_values.value(key); }
    void set(const QString &key, const QString &text) { m_values.insert(key, text); }

private:
    QHash<QString, QString> m_values;
};

// One argument of a message: a text, an integer, a decimal, or a string ID
// whose (translated) text is filled in when the box is shown.
struct MessageArg {
    enum Kind { Text, Integer, Decimal, StringId };
    Kind kind = Text;
    QString text;
    qint64 integer = 0;
    double decimal = 0.0;

    static MessageArg ofText(const QString &t)
    {
        MessageArg a;
        a.kind = Text;
        a.text = t;
        return a;
    }
    static MessageArg ofInteger(qint64 i)
    {
        MessageArg a;
        a.kind = Integer;
        a.integer = i;
        return a;
    }
    static MessageArg ofDecimal(double d)
    {
        MessageArg a;
        a.kind = Decimal;
        a.decimal = d;
        return a;
    }
    static MessageArg ofStringId(uint16_t id)
    {
        MessageArg a;
        a.kind = StringId;
        a.integer = id;
        return a;
    }
    bool operator==(const MessageArg &o) const;
};

// A message box the window is to show (always with an OK button): text ID
// and caption ID, each formatted with its own arguments (the range messages
// put the offending value into the caption).
struct DeviceMessage {
    uint16_t textId = 0;
    QList<MessageArg> textArgs;
    uint16_t captionId = 0;
    QList<MessageArg> captionArgs;
    bool operator==(const DeviceMessage &o) const;
};

// Shows the message through the message presenter of the language module
// and returns its result. Caption and text are formatted from the texts of
// the language library; string-ID arguments are looked up first.
int showDeviceMessage(const DeviceMessage &message);

// A decimal number as the device and the fields write it: optional sign,
// digits with "." as the separator (".5" and "5." included), nothing else.
// Independent of the locale. nullopt for anything else, an empty text too.
std::optional<long double> decimalValue(const QString &text);

#endif
