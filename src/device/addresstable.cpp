#include "addresstable.h"

#include <QHash>

uint32_t lockTagBit(LockClass lock)
{
    switch (lock) {
    case LockClass::Calibration: return TagCalibrationLock;
    case LockClass::User: return TagUserLock;
    case LockClass::None: break;
    }
    return 0;
}

namespace {

const QStringList cpItems{"0.01", "0.1", "1", "10", "100"};

QStringList hourItems()
{
    QStringList items;
    for (int h = 0; h <= 23; ++h)
        items << QString::number(h);
    items << QString(); // the 25th, empty item
    return items;
}

FieldInfo masked(const char *name, Region r, const char *mask, LockClass lock, int help)
{
    return FieldInfo{name, r, FieldKind::MaskedEdit, mask, {}, 0, 0, 0, lock, help};
}
FieldInfo readOnly(const char *name, Region r, int help, int maxLength = 0)
{
    return FieldInfo{name, r, FieldKind::ReadOnly, {}, {}, 0, 0, maxLength, LockClass::None, help};
}
FieldInfo dropDown(const char *name, Region r, const QStringList &items, LockClass lock, int help)
{
    return FieldInfo{name, r, FieldKind::DropDown, {}, items, 0, 0, 0, lock, help};
}
FieldInfo spin(const char *name, Region r, int lo, int hi, int maxLength, LockClass lock, int help)
{
    return FieldInfo{name, r, FieldKind::SpinField, {}, {}, lo, hi, maxLength, lock, help};
}

QStringList outputItems()
{
    QStringList items;
    for (const OutputFunction &f : outputFunctions())
        items << f.designedText;
    return items;
}

} // namespace

const QList<FieldInfo> &fieldTable()
{
    using R = Region;
    const LockClass E = LockClass::Calibration, B = LockClass::User, N = LockClass::None;
    static const QList<FieldInfo> table{
        masked("H1", R::Page2, "!99999999.99;1;_", E, 301),
        masked("H2", R::Page2, "!99999999.9999;1;_", E, 302),
        masked("H4", R::Page2, "!99999999.9999;1;_", E, 302),
        readOnly("H6", R::Page2, 302, 14),
        readOnly("H7", R::Page2, 301),
        readOnly("H8", R::Page2, 302),
        masked("H23", R::Page2, "!99999999.99;1;_", B, 301),
        FieldInfo{"ArchivData1", R::Page3, FieldKind::Grid, {}, {}, 0, 0, 0, N, 401},
        FieldInfo{"ArchivData2", R::Page3, FieldKind::Grid, {}, {}, 0, 0, 0, N, 401},
        readOnly("L2", R::Bottom, 113),
        readOnly("StatusRegister", R::LockPanel, 107),
        FieldInfo{"Eichschloss",
                  R::LockPanel,
                  FieldKind::StateBox,
                  {},
                  {"geschlossen", "offen"},
                  0,
                  0,
                  0,
                  N,
                  106},
        masked("L7", R::Page0, "!99/99/99;1;_", B, 108),
        masked("L8", R::Page0, "!99:99:99;1;_", B, 108),
        dropDown("L12", R::Page0, hourItems(), B, 109),
        masked("L18", R::Page0, "999999999999;1;_", E, 103),
        readOnly("Edit3", R::Head, 103),
        spin("L27Low", R::Page1, -30, 50, 3, E, 207),
        spin("L27High", R::Page1, -30, 50, 3, E, 207),
        readOnly("Edit1", R::Head, 101),
        readOnly("Edit2", R::Head, 102),
        readOnly("L35", R::Page0, 3101),
        masked("L123", R::Page0, "999999999999;1;_", B, 105),
        readOnly("Edit5", R::Head, 105),
        masked("L124", R::Page0, "999999999999;1;_", B, 104),
        readOnly("Edit4", R::Head, 104),
        masked("L156", R::Page1, "!9.99999;1;_", E, 204),
        masked("L157", R::Page1, "!999.99;1;_", E, 204),
        FieldInfo{"Benutzerschloss", R::LockPanel, FieldKind::StateBox, {}, {}, 0, 0, 0, N, 3500},
        masked("P1", R::Page1, "!0.0999;1;_", E, 202),
        masked("P2", R::Page1, "!9.99999;1;_", E, 210),
        masked("P3", R::Page1, "!#99.9;1;_", E, 205),
        dropDown("P4", R::Page1, cpItems, E, 201),
        dropDown("P13", R::Page1, {"Festwert", "Messung"}, E, 206),
        spin("P14", R::Page1, 0, 255, 3, E, 208),
        FieldInfo{"P14_1", R::Page1, FieldKind::CheckBox, {}, {}, 0, 0, 0, E, 2081},
        dropDown("P37", R::Page1, {"1", "2"}, E, 203),
        spin("P38", R::Page1, 0, 4, 1, E, 203),
        readOnly("P147old", R::Page4, 504),
        readOnly("P148old", R::Page4, 504),
        readOnly("P170", R::Page4, 502),
        readOnly("P171", R::Page4, 502),
        masked("TempLowRef", R::Page4, "!#99.9;1;_", E, 501),
        masked("TempHighRef", R::Page4, "!#99.9;1;_", E, 501),
        masked("P147neu", R::Page4, "!9999;1;_", E, 504),
        masked("P148neu", R::Page4, "!9999;1;_", E, 504),
        dropDown("P310", R::Page0, outputItems(), B, 112),
        dropDown("P311", R::Page0, cpItems, B, 111),
    };
    return table;
}

const FieldInfo *fieldInfo(const QString &name)
{
    static const QHash<QString, int> index = [] {
        QHash<QString, int> h;
        for (int i = 0; i < fieldTable().size(); ++i)
            h.insert(fieldTable().at(i).name, i);
        return h;
    }();
    const auto it = index.constFind(name);
    return it == index.constEnd() ? nullptr : &fieldTable().at(*it);
}

const QList<AddressRow> &addressTable()
{
    using D = DisplayRule;
    const ReadFor both = ReadFor::Both, v1 = ReadFor::V1xOnly, v2 = ReadFor::V2xOnly,
                  cal = ReadFor::Calibration;
    static const QList<AddressRow> table{
        {{"H1"}, {"H1"}, both, D::Text},
        {{"H2"}, {"H2"}, both, D::First13},
        {{"H4"}, {"H4"}, both, D::First13},
        {{"H6"}, {"H6"}, both, D::First13},
        {{"H7"}, {"H7"}, both, D::Text},
        {{"H8"}, {"H8"}, both, D::First13},
        {{"H23"}, {"H23"}, both, D::Text},
        {{"H201"}, {"ArchivData1", "ArchivData2"}, v2, D::Archive},
        {{"L2"}, {"L2"}, both, D::Text},
        {{"L4"}, {"StatusRegister", "Eichschloss"}, both, D::StatusRegister},
        {{"L7"}, {"L7"}, both, D::Text},
        {{"L8"}, {"L8"}, both, D::Text},
        {{"L12"}, {"L12"}, both, D::MonthBoundaryHour},
        {{"L18"}, {"L18", "Edit3"}, both, D::Number64},
        {{"L27"}, {"L27Low", "L27High"}, v2, D::TemperatureRange},
        {{"L33"}, {"Edit1"}, both, D::DeviceType},
        {{"L34"}, {"Edit2"}, both, D::Text},
        {{"L35"}, {"L35"}, both, D::RemainingMonths},
        {{"L123"}, {"L123", "Edit5"}, both, D::Number64},
        {{"L124"}, {"L124", "Edit4"}, both, D::Number64},
        {{"L156"}, {"L156"}, both, D::Text},
        {{"L157"}, {"L157"}, both, D::Text},
        {{"P0", "P10"}, {"Benutzerschloss"}, v1, D::UserLock},
        {{"P1"}, {"P1"}, both, D::Text},
        {{"P2"}, {"P2"}, both, D::Text},
        {{"P3"}, {"P3"}, both, D::Text},
        {{"P4"}, {"P4"}, both, D::ExactItem},
        {{"P13"}, {"P13"}, both, D::ItemIndex},
        {{"P14"}, {"P14", "P14_1"}, both, D::CycleTime},
        {{"P16"}, {"P310"}, v1, D::OutputFunction},
        {{"P17"}, {"P311"}, v1, D::ExactItem},
        {{"P28"}, {"L2", "P170", "P171"}, cal, D::MeasuredTemperature},
        {{"P37"}, {"P37"}, v1, D::PulseInputs},
        {{"P38"}, {"P38"}, both, D::WarningCount},
        {{"P147"}, {"P147old"}, both, D::Text},
        {{"P148"}, {"P148old"}, both, D::Text},
        {{"P170"}, {"P170", "L2"}, cal, D::BothFields},
        {{"P171"}, {"P171", "L2"}, cal, D::BothFields},
        {{"TempLowRef"}, {"TempLowRef"}, cal, D::Text},
        {{"TempHighRef"}, {"TempHighRef"}, cal, D::Text},
        {{"P310"}, {"P310"}, v2, D::OutputFunction},
        {{"P311"}, {"P311"}, v2, D::ExactItem},
    };
    return table;
}

const QList<LockAssignment> &lockClassAssignments()
{
    static const QList<LockAssignment> list = [] {
        QList<LockAssignment> l;
        for (const char *n : {"L18",
                              "P4",
                              "P1",
                              "P37",
                              "P38",
                              "L157",
                              "P3",
                              "P13",
                              "L27Low",
                              "L27High",
                              "P14",
                              "P14_1",
                              "L156",
                              "P2",
                              "H1",
                              "H4",
                              "H2",
                              "btDeleteAllCounter",
                              "btReadLowerTemp",
                              "btReadUpperTemp",
                              "btCalcOffsetAndGradient",
                              "TempLowRef",
                              "TempHighRef",
                              "P147neu",
                              "P148neu"})
            l.append({n, LockClass::Calibration});
        for (const char *n : {"H23", "L7", "L8", "L12", "L123", "L124", "P310", "P311"})
            l.append({n, LockClass::User});
        return l;
    }();
    return list;
}

LockClass lockClassOf(const QString &component)
{
    for (const LockAssignment &a : lockClassAssignments())
        if (a.component == component)
            return a.lock;
    return LockClass::None;
}

const QList<OutputFunction> &outputFunctions()
{
    static const QList<OutputFunction> table{
        {0, QStringLiteral("Ausgang inaktiv"), 1115, 0, 0},
        {1, QStringLiteral("Imp.-Ausg. Vb, ungestört"), 1116, 1, 4},
        {2, QStringLiteral("Imp.-Ausg. Vn, ungestört"), 1117, 2, 5},
        {3, QStringLiteral("Imp.-Ausg. Vn, gestört"), 1118, 4, std::nullopt},
        {4, QStringLiteral("Imp.-Ausg. Vn, gesamt"), 1119, 6, 3},
        {5, QStringLiteral("Alarmausgang"), 1120, 7, 1},
        {6, QStringLiteral("Warnausgang"), 1121, 8, std::nullopt},
        {7, QStringLiteral("Alarm- und Warnausg."), 1122, 9, std::nullopt},
    };
    return table;
}

std::optional<int> outputFunctionItem(int code, Generation generation)
{
    for (const OutputFunction &f : outputFunctions()) {
        const std::optional<int> c = generation == Generation::V2x ? f.v2xCode : f.v1xCode;
        if (c && *c == code)
            return f.item;
    }
    return std::nullopt;
}

std::optional<int> outputFunctionCode(int item, Generation generation)
{
    if (item < 0 || item >= outputFunctions().size())
        return std::nullopt;
    const OutputFunction &f = outputFunctions().at(item);
    return generation == Generation::V2x ? std::optional<int>(f.v2xCode) : f.v1xCode;
}

const QList<PageInfo> &pages()
{
    static const QList<PageInfo> table{
        {0, QStringLiteral("Geräte&informationen"), 100,
         "L2,L33,L34,L18,L124,L123,L4,L7,L8,L12,L35,P311,P310,L2",
         "L2,L33,L34,L18,L124,L123,L4,L7,L8,L12,L35,P16,P17,L2,P0,P10"},
        {1, QStringLiteral("&Umwertung"), 200, "L2,P4,P1,P38,L157,P3,P13,L27,P14,L156,P2",
         "L2,P4,P1,P37,P38,L157,P3,P13,P14,L156,P2"},
        {2, QStringLiteral("&Zählerstände"), 300, "L2,H1,H2,H4,H6,H7,H8,H23",
         "L2,H1,H2,H4,H6,H7,H8,H23"},
        {3, QStringLiteral("&Archiv"), 400,
         "L2,H201,H202,H203,H204,H205,H206,H207,H208,H209,H210,H211,H212,H213,H214,H215", ""},
        {4, QStringLiteral("Temp. (&T)-Justierung"), 500, "L2,P147,P148", "L2,P147,P148"},
    };
    return table;
}

QString pageAddressList(int page, Generation generation)
{
    if (page < 0 || page >= pages().size())
        return QString();
    const PageInfo &p = pages().at(page);
    return generation == Generation::V2x ? p.listV2x : p.listV1x;
}
