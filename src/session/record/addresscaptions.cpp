#include "addresscaptions.h"

#include "langsupp.h"

#include <QHash>

namespace {

// The string IDs of a field's group caption (0: none), of its label, and of
// the text after the field where the label runs on behind it (P38).
struct Caption {
    uint16_t group;
    uint16_t label;
    uint16_t after = 0;
};

const QHash<QString, Caption> &captions()
{
    static const QHash<QString, Caption> table{
        {"L33", {0, 1000}},     {"L34", {0, 1001}},          {"L2", {0, 1014}},
        {"L4", {0, 1012}},      {"P0", {1009, 6052}},        {"P10", {1009, 6051}},
        {"P9", {0, 6003}},      {"P11", {0, 6001}},          {"L18", {0, 1101}},
        {"L124", {0, 1102}},    {"L123", {0, 1103}},         {"L7", {0, 1104}},
        {"L8", {0, 1105}},      {"L12", {0, 1106}},          {"L35", {0, 8648}},
        {"P310", {0, 1110}},    {"P16", {0, 1110}},          {"P311", {0, 1111}},
        {"P17", {0, 1111}},     {"P4", {1201, 1202}},        {"P1", {1201, 1204}},
        {"P37", {1201, 1205}},  {"P38", {1201, 1206, 1207}}, {"L157", {1208, 1209}},
        {"P3", {1208, 1211}},   {"P13", {1208, 1213}},       {"L27", {1208, 1214}},
        {"P14", {1230, 1231}},  {"L156", {1220, 1209}},      {"P2", {1220, 1211}},
        {"H1", {1301, 1302}},   {"H7", {1301, 1304}},        {"H23", {1301, 1305}},
        {"H2", {1306, 1307}},   {"H4", {1306, 1308}},        {"H6", {1306, 1309}},
        {"H8", {1306, 1310}},   {"P48", {0, 1315}},          {"P147", {8645, 8646}},
        {"P148", {8645, 8647}}, {"P170", {1502, 1503}},      {"P171", {1502, 1504}},
        {"P28", {0, 1502}},
    };
    return table;
}

// A designed caption without its accelerator mark, framing blanks and
// closing colon: " Parameter Druck " and "Normwert:" read as
// "Parameter Druck" and "Normwert".
QString plain(uint16_t id)
{
    QString s = langText(id);
    s.remove(QLatin1Char('&'));
    s = s.trimmed();
    if (s.endsWith(QLatin1Char(':')))
        s.chop(1);
    return s.trimmed();
}

} // namespace

QString addressCaption(const QString &address)
{
    const auto it = captions().constFind(address.trimmed().toUpper());
    if (it == captions().constEnd())
        return address;
    QString name = plain(it->label);
    if (it->after)
        name += QStringLiteral(" … ") + plain(it->after);
    if (it->group)
        name = plain(it->group) + QStringLiteral(": ") + name;
    return name;
}
