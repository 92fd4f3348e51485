// The window designs against the string tables: every Tag has a text in
// each language, lists keep their length when translated, nothing is cut at
// the default size, and the fields the window code relies on are there with
// their templates, items and ranges.
#include "componentkind.h"
#include "editmask.h"
#include "info.h"
#include "langsupp.h"
#include "programpath.h"
#include "programversion.h"
#include "translateform.h"
#include "ui_battcap.h"
#include "ui_customer.h"
#include "ui_info.h"
#include "ui_meldung.h"
#include "ui_rq60main.h"
#include "ui_sio_opt.h"
#include "ui_supplier.h"
#include "ui_user_opt.h"
#include "ui_userlock.h"

#include <QFile>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

namespace {

std::unique_ptr<QWidget> makeDesign(const QString &name)
{
    if (name == QLatin1String("TFormRQ60Main")) {
        auto w = std::make_unique<QMainWindow>();
        static Ui::TFormRQ60Main ui; // the pointers are not used after setupUi
        ui.setupUi(w.get());
        return w;
    }
    auto d = std::make_unique<QDialog>();
    if (name == QLatin1String("TFormInfo"))
        Ui::TFormInfo().setupUi(d.get());
    else if (name == QLatin1String("TFormMeldung"))
        Ui::TFormMeldung().setupUi(d.get());
    else if (name == QLatin1String("TFormSioOptions"))
        Ui::TFormSioOptions().setupUi(d.get());
    else if (name == QLatin1String("TFormUserOptions"))
        Ui::TFormUserOptions().setupUi(d.get());
    else if (name == QLatin1String("TFormUserLock"))
        Ui::TFormUserLock().setupUi(d.get());
    else if (name == QLatin1String("TFormCustomerKey"))
        Ui::TFormCustomerKey().setupUi(d.get());
    else if (name == QLatin1String("TFormSupplierKey"))
        Ui::TFormSupplierKey().setupUi(d.get());
    else
        Ui::TFormBattCap().setupUi(d.get());
    return d;
}

const QStringList designs{QStringLiteral("TFormRQ60Main"),   QStringLiteral("TFormInfo"),
                          QStringLiteral("TFormMeldung"),    QStringLiteral("TFormBattCap"),
                          QStringLiteral("TFormSioOptions"), QStringLiteral("TFormUserOptions"),
                          QStringLiteral("TFormUserLock"),   QStringLiteral("TFormCustomerKey"),
                          QStringLiteral("TFormSupplierKey")};

// The IDs a component takes from the table, by its kind.
QList<uint16_t> idsOf(QObject *o)
{
    const uint16_t t = componentStringId(o);
    if (!t)
        return {};
    QList<uint16_t> ids{t};
    switch (componentKind(o)) {
    case ComponentKind::TabbedNotebook:
        for (int i = 1; i < static_cast<QTabWidget *>(o)->count(); ++i)
            ids << uint16_t(t + i);
        break;
    case ComponentKind::RadioGroup:
        for (int i = 0; i < o->findChildren<QRadioButton *>().size(); ++i)
            ids << uint16_t(t + 1 + i);
        break;
    case ComponentKind::ComboBox:
        for (int i = 1; i <= langText(t).toInt(); ++i)
            ids << uint16_t(t + i);
        break;
    default: break;
    }
    return ids;
}

QList<QObject *> taggedObjects(QWidget *form)
{
    QList<QObject *> l;
    for (QObject *o : form->findChildren<QObject *>())
        if (componentStringId(o))
            l << o;
    return l;
}

bool isMissing(uint16_t id, const QString &text)
{
    return text.isEmpty() || text == QStringLiteral("str") + QString::number(id);
}

} // namespace

class DesignsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void everyTagHasATextInBothLanguages_data();
    void everyTagHasATextInBothLanguages();
    void nothingIsCutAtTheDefaultSize_data();
    void nothingIsCutAtTheDefaultSize();
    void maskedFields_data();
    void maskedFields();
    void listsAndRanges();
    void lockMarkersAndMenus();
    void mnemonicsDoNotCollide_data();
    void mnemonicsDoNotCollide();
    void readOnlyFieldsLookReadOnly();
    void aboutBoxNamesThePackageAndItsBuild_data();
    void aboutBoxNamesThePackageAndItsBuild();

private:
    void loadLanguage(const QString &language);
    QTemporaryDir m_settings;
};

void DesignsTest::initTestCase()
{
    QVERIFY(m_settings.isValid());
    qputenv("PXRQ60_SETTINGS_DIR", QFile::encodeName(m_settings.path()));
    setProgramFilePath(QStringLiteral(PX_BIN_DIR "/pxrq60"));
}

void DesignsTest::cleanupTestCase()
{
    FreeLanguageLibrary();
    setProgramFilePath(QString());
}

void DesignsTest::loadLanguage(const QString &language)
{
    QFile ini(m_settings.filePath(QStringLiteral("PXRQ60.INI")));
    QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write(QStringLiteral("[COMMON]\r\nLANGUAGE=%1\r\n").arg(language).toLatin1());
    ini.close();
    LoadLanguageLibrary(language);
    QVERIFY(LanguageLibraryLoaded());
}

void DesignsTest::everyTagHasATextInBothLanguages_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("design");
    for (const char *lang : {"DE", "EN"})
        for (const QString &d : designs)
            QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(lang, d))) << QString(lang) << d;
}

void DesignsTest::everyTagHasATextInBothLanguages()
{
    QFETCH(QString, language);
    QFETCH(QString, design);
    loadLanguage(language);
    auto form = makeDesign(design);
    QStringList missing;
    const int64_t formTag = componentTag(form.get());
    if (formTag > 0 && isMissing(uint16_t(formTag), langText(uint16_t(formTag))))
        missing << QString::number(formTag);

    QHash<QComboBox *, int> designedCounts;
    for (QObject *o : taggedObjects(form.get())) {
        for (uint16_t id : idsOf(o))
            if (isMissing(id, langText(id)))
                missing << QStringLiteral("%1 (%2)").arg(id).arg(o->objectName());
        if (auto *c = qobject_cast<QComboBox *>(o))
            designedCounts.insert(c, c->count());
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(", "))));

    TranslateForm(form.get(), 0);
    // The program works with item positions (lock states, output functions,
    // modes), so a translated list must keep its designed length.
    for (auto it = designedCounts.cbegin(); it != designedCounts.cend(); ++it)
        QVERIFY2(it.key()->count() == it.value(), qPrintable(it.key()->objectName()));
}

void DesignsTest::nothingIsCutAtTheDefaultSize_data()
{
    everyTagHasATextInBothLanguages_data();
}

void DesignsTest::nothingIsCutAtTheDefaultSize()
{
    QFETCH(QString, language);
    QFETCH(QString, design);
    loadLanguage(language);
    auto form = makeDesign(design);
    TranslateForm(form.get(), 0);
    const QSize designed = form->size();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    if (design == QLatin1String("TFormRQ60Main"))
        QCOMPARE(form->size(), designed); // the layout needs no more than the default size

    auto *notebook = form->findChild<QTabWidget *>();
    const int pages = notebook ? notebook->count() : 1;
    QStringList cut;
    for (int page = 0; page < pages; ++page) {
        if (notebook)
            notebook->setCurrentIndex(page);
        QCoreApplication::processEvents();
        for (QWidget *w : form->findChildren<QWidget *>()) {
            if (!w->isVisible())
                continue;
            const bool hasText = qobject_cast<QLabel *>(w) || qobject_cast<QAbstractButton *>(w) ||
                                 qobject_cast<QGroupBox *>(w);
            if (!hasText || qobject_cast<QToolButton *>(w))
                continue;
            // A label or button needs its whole text; a group only what its
            // layout cannot do without.
            const int needed =
                qobject_cast<QGroupBox *>(w) ? w->minimumSizeHint().width() : w->sizeHint().width();
            if (w->width() < needed || w->height() < w->minimumSizeHint().height())
                cut << QStringLiteral("%1 %2x%3 < %4x%5")
                           .arg(w->objectName())
                           .arg(w->width())
                           .arg(w->height())
                           .arg(needed)
                           .arg(w->minimumSizeHint().height());
        }
    }
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral("; "))));
}

void DesignsTest::maskedFields_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("design");
    QTest::addColumn<int>("width");
    const struct {
        const char *field, *design;
        int width;
    } rows[] = {
        {"H1", "!99999999.99;1;_", 11},   {"H23", "!99999999.99;1;_", 11},
        {"H2", "!99999999.9999;1;_", 13}, {"H4", "!99999999.9999;1;_", 13},
        {"L7", "!99/99/99;1;_", 8},       {"L8", "!99:99:99;1;_", 8},
        {"L18", "999999999999;1;_", 12},  {"L123", "999999999999;1;_", 12},
        {"L124", "999999999999;1;_", 12}, {"L156", "!9.99999;1;_", 7},
        {"L157", "!999.99;1;_", 6},       {"P1", "!0.0999;1;_", 6},
        {"P2", "!9.99999;1;_", 7},        {"P3", "!#99.9;1;_", 5},
        {"TempLowRef", "!#99.9;1;_", 5},  {"TempHighRef", "!#99.9;1;_", 5},
        {"P147neu", "!9999;1;_", 4},      {"P148neu", "!9999;1;_", 4},
    };
    for (const auto &r : rows)
        QTest::newRow(r.field) << QString(r.field) << QString(r.design) << r.width;
}

void DesignsTest::maskedFields()
{
    QFETCH(QString, field);
    QFETCH(QString, design);
    QFETCH(int, width);
    auto form = makeDesign(QStringLiteral("TFormRQ60Main"));
    auto *edit = form->findChild<QLineEdit *>(field);
    QVERIFY(edit);
    QCOMPARE(edit->property("editMask").toString(), design);
    QCOMPARE(EditMask(design).width(), width);
    QCOMPARE(edit->maxLength(), width);
    QCOMPARE(componentKind(edit), ComponentKind::MaskEdit);
    // Lock classes are the program's business: the design sets no mark bits.
    QCOMPARE(componentTag(edit) & ~int64_t(0xFFFF), int64_t(0));
}

void DesignsTest::listsAndRanges()
{
    auto form = makeDesign(QStringLiteral("TFormRQ60Main"));
    auto items = [&](const char *name) {
        auto *c = form->findChild<QComboBox *>(QLatin1String(name));
        QStringList l;
        for (int i = 0; c && i < c->count(); ++i)
            l << c->itemText(i);
        return l;
    };
    const QStringList decades{"0.01", "0.1", "1", "10", "100"};
    QCOMPARE(items("P4"), decades);
    QCOMPARE(items("P311"), decades);
    QCOMPARE(items("P37"), (QStringList{"1", "2"}));
    QCOMPARE(items("P13"), (QStringList{"Festwert", "Messung"}));
    QCOMPARE(items("P310").size(), 8);
    QCOMPARE(items("P310").at(3), QStringLiteral("Imp.-Ausg. Vn, gestört"));
    const QStringList hours = items("L12");
    QCOMPARE(hours.size(), 25);
    QCOMPARE(hours.at(7), QStringLiteral("7"));
    QCOMPARE(hours.at(23), QStringLiteral("23"));
    QCOMPARE(hours.at(24), QString());
    for (const char *name :
         {"P4", "P311", "P37", "P13", "P310", "L12", "Eichschloss", "Benutzerschloss"})
        QVERIFY2(!form->findChild<QComboBox *>(QLatin1String(name))->isEditable(), name);

    const struct {
        const char *name;
        int min, max;
    } spins[] = {{"L27Low", -30, 50}, {"L27High", -30, 50}, {"P14", 0, 255}, {"P38", 0, 4}};
    for (const auto &s : spins) {
        auto *spin = form->findChild<QSpinBox *>(QLatin1String(s.name));
        QVERIFY2(spin, s.name);
        QCOMPARE(spin->minimum(), s.min);
        QCOMPARE(spin->maximum(), s.max);
    }
    auto *h6 = form->findChild<QLineEdit *>(QStringLiteral("H6"));
    QVERIFY(h6->isReadOnly());
    QCOMPARE(h6->maxLength(), 14);
    auto *memo = form->findChild<QPlainTextEdit *>(QStringLiteral("Memo1"));
    QVERIFY(memo && memo->isReadOnly() && memo->isHidden());
    QCOMPARE(memo->width(), 474);
    auto *toggle = form->findChild<QPushButton *>(QStringLiteral("btShowStatRegText"));
    QVERIFY(toggle->isCheckable());
    QCOMPARE(componentKind(toggle), ComponentKind::SpeedButton);
}

void DesignsTest::lockMarkersAndMenus()
{
    auto form = makeDesign(QStringLiteral("TFormRQ60Main"));
    QStringList e, b;
    for (QLineEdit *edit : form->findChildren<QLineEdit *>()) {
        if (componentStringId(edit) == 1018)
            e << edit->objectName();
        if (componentStringId(edit) == 1019)
            b << edit->objectName();
    }
    // 19 beside the calibration-lock fields and one in the lock panel; 8
    // beside the user-lock fields and one in the lock panel.
    QCOMPARE(e.size(), 20);
    QCOMPARE(b.size(), 9);
    for (int n = 13; n <= 20; ++n)
        QVERIFY(b.contains(QStringLiteral("Edit%1").arg(n)));
    QVERIFY(e.contains(QStringLiteral("Edit6")) && e.contains(QStringLiteral("Edit7")));
    QCOMPARE(form->findChild<QLineEdit *>(QStringLiteral("Edit8"))->text(),
             QStringLiteral("  bis"));
    QCOMPARE(form->windowTitle(), QStringLiteral("Paramix100  für RQ-60"));
    QCOMPARE(componentTag(form.get()), int64_t(0));

    auto key = [&](const char *action) {
        auto *a = form->findChild<QAction *>(QLatin1String(action));
        return a ? a->shortcut().toString() : QStringLiteral("(missing)");
    };
    QCOMPARE(key("acConnect"), QStringLiteral("F3"));
    QCOMPARE(key("acDisconnect"), QStringLiteral("F4"));
    QCOMPARE(key("mn13Exit"), QStringLiteral("Alt+F4"));
    auto *action = form->findChild<QMenu *>(QStringLiteral("mn3Aktion"));
    QVERIFY(action);
    QStringList entries;
    for (QAction *a : action->actions())
        entries << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
    QCOMPARE(entries, (QStringList{"acConnect", "-", "acChangeBattCap", "-", "acReadArchivData",
                                   "-", "acChangeCustomerKey", "acChangeSupplierKey", "-",
                                   "acChangeUserLock", "-", "acDisconnect"}));
}

void DesignsTest::mnemonicsDoNotCollide_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("DE") << "DE";
    QTest::newRow("EN") << "EN";
}

// The four menus, "Setzen" and "Verwerfen" can be reached with Alt and a
// letter of their own; the page captions keep theirs.
void DesignsTest::mnemonicsDoNotCollide()
{
    QFETCH(QString, language);
    loadLanguage(language);
    auto form = makeDesign(QStringLiteral("TFormRQ60Main"));
    TranslateForm(form.get(), 0);
    QStringList captions;
    for (const char *menu : {"mn1Programm", "mn2Einstellungen", "mn3Aktion", "mn4Hilfe"})
        captions << form->findChild<QMenu *>(QLatin1String(menu))->title();
    for (const char *button : {"btSet", "btCancel"})
        captions << form->findChild<QPushButton *>(QLatin1String(button))->text();
    auto *notebook = form->findChild<QTabWidget *>(QStringLiteral("TabbedNotebook1"));
    for (int i = 0; i < notebook->count(); ++i)
        captions << notebook->tabText(i);
    QHash<QString, QString> owner;
    for (const QString &caption : captions) {
        const QString key = QKeySequence::mnemonic(caption).toString();
        QVERIFY2(!key.isEmpty(), qPrintable(caption + QStringLiteral(" has no mnemonic")));
        QVERIFY2(!owner.contains(key), qPrintable(caption + QStringLiteral(" and ") +
                                                  owner.value(key) + QStringLiteral(": ") + key));
        owner.insert(key, caption);
    }
}

// Fields that only show a value are silver, like H6 and like the locked
// entry fields: white would invite typing.
void DesignsTest::readOnlyFieldsLookReadOnly()
{
    auto form = makeDesign(QStringLiteral("TFormRQ60Main"));
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    auto *notebook = form->findChild<QTabWidget *>(QStringLiteral("TabbedNotebook1"));
    QStringList white;
    for (const char *name : {"H6", "H7", "H8", "L2", "L35", "P147old", "P148old", "P170", "P171"}) {
        auto *field = form->findChild<QLineEdit *>(QLatin1String(name));
        QVERIFY2(field && field->isReadOnly(), name);
        for (int page = 0; page < notebook->count(); ++page)
            if (notebook->widget(page)->isAncestorOf(field))
                notebook->setCurrentIndex(page);
        QCoreApplication::processEvents();
        const QImage image = field->grab().toImage();
        if (image.pixelColor(image.width() / 2, image.height() / 2) != QColor(192, 192, 192))
            white << QLatin1String(name);
    }
    QVERIFY2(white.isEmpty(), qPrintable(white.join(QStringLiteral(", "))));
}

// The about box keeps its designed texts and adds the version of the
// package (the one dpkg shows) and the day of the build, in the language's
// form.
void DesignsTest::aboutBoxNamesThePackageAndItsBuild_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("dateForm");
    QTest::newRow("DE") << "DE"
                        << "dd.MM.yyyy";
    QTest::newRow("EN") << "EN"
                        << "yyyy-MM-dd";
}

void DesignsTest::aboutBoxNamesThePackageAndItsBuild()
{
    QFETCH(QString, language);
    QFETCH(QString, dateForm);
    loadLanguage(language);
    TFormInfo box;
    auto text = [&box](const char *name) {
        return box.findChild<QLabel *>(QLatin1String(name))->text();
    };
    QCOMPARE(text("Label7"), QStringLiteral("1.14"));
    QCOMPARE(text("Label8"), QStringLiteral("14.02.2002"));
    QCOMPARE(text("Label9"), langText(8010));
    QCOMPARE(text("PackageVersion"), QStringLiteral(PX_PACKAGE_VERSION));
    const QDate built = QDate::fromString(text("BuildDate"), dateForm);
    QVERIFY2(built.isValid(), qPrintable(text("BuildDate")));
    QCOMPARE(built, programBuildDate());
    QVERIFY(built <= QDate::currentDate().addDays(1));
}

QTEST_MAIN(DesignsTest)
#include "tst_designs.moc"
