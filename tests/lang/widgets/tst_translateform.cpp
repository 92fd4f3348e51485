#include "componentkind.h"
#include "langsupp.h"
#include "programpath.h"
#include "translateform.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

template <class T>
T *tagged(QWidget *parent, int tag, const QString &designed = QStringLiteral("designed"))
{
    auto *w = new T(parent);
    w->setProperty("Tag", tag);
    if constexpr (std::is_base_of_v<QGroupBox, T>)
        w->setTitle(designed);
    else if constexpr (!std::is_same_v<T, QTabWidget> && !std::is_same_v<T, QTabBar> &&
                       !std::is_same_v<T, QComboBox>)
        w->setText(designed);
    return w;
}

QStringList items(const QComboBox *c)
{
    QStringList l;
    for (int i = 0; i < c->count(); ++i)
        l << c->itemText(i);
    return l;
}

} // namespace

class TranslateFormTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void everyTextKindTakesItsText();
    void comboBoxCount_data();
    void comboBoxCount();
    void pagesTabsAndRadioItemsTakeConsecutiveIds();
    void onlyTheLow16BitsAreTheId();
    void formCaptionOnlyWithPositiveTag();
    void offsetIsAddedIn16Bits();
    void speedButtonsAndRadioGroupsAreToldApart();
    void otherWindowsAreLeftAlone();
    void labelsShowTheirTextAsItStands();

private:
    QTemporaryDir m_settings;
};

void TranslateFormTest::initTestCase()
{
    QVERIFY(m_settings.isValid());
    QFile ini(m_settings.filePath(QStringLiteral("PXRQ60.INI")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[COMMON]\r\nLANGUAGE=TT\r\n");
    ini.close();
    qputenv("PXRQ60_SETTINGS_DIR", QFile::encodeName(m_settings.path()));
    // The stem of "pxtest" and the language TT give pxtestTT.so, built beside
    // the test from testtable.txt.
    setProgramFilePath(QStringLiteral(PX_TEST_BIN_DIR "/pxtest"));
    LoadLanguageLibrary(QStringLiteral("TT"));
    QVERIFY(LanguageLibraryLoaded());
}

void TranslateFormTest::cleanupTestCase()
{
    FreeLanguageLibrary();
    setProgramFilePath(QString());
}

void TranslateFormTest::everyTextKindTakesItsText()
{
    QMainWindow form;
    auto *central = new QWidget(&form);
    form.setCentralWidget(central);
    auto *label = tagged<QLabel>(central, 11);
    auto *button = tagged<QPushButton>(central, 12);
    auto *tool = tagged<QToolButton>(central, 13);
    auto *check = tagged<QCheckBox>(central, 14);
    auto *radio = tagged<QRadioButton>(central, 15);
    auto *group = tagged<QGroupBox>(central, 16);
    auto *edit = tagged<QLineEdit>(group, 17);
    auto *missing = tagged<QLabel>(group, 2011);
    auto *untagged = tagged<QLabel>(group, 0);
    QMenu *menu = form.menuBar()->addMenu(QStringLiteral("designed"));
    menu->setProperty("Tag", 18);
    QAction *action = menu->addAction(QStringLiteral("designed"));
    action->setProperty("Tag", 19);

    TranslateForm(&form, 0);

    QCOMPARE(label->text(), QStringLiteral("Beschriftung"));
    QCOMPARE(button->text(), QStringLiteral("Knopf"));
    QCOMPARE(tool->text(), QStringLiteral("Schnellknopf"));
    QCOMPARE(check->text(), QStringLiteral("Ankreuzen"));
    QCOMPARE(radio->text(), QStringLiteral("Auswahl"));
    QCOMPARE(group->title(), QStringLiteral("Gruppe"));
    QCOMPARE(edit->text(), QStringLiteral("Eingabe"));
    QCOMPARE(menu->title(), QStringLiteral("Menü"));
    QCOMPARE(action->text(), QStringLiteral("Menüeintrag"));
    QCOMPARE(missing->text(), QStringLiteral("str2011"));
    QCOMPARE(untagged->text(), QStringLiteral("designed"));
}

void TranslateFormTest::comboBoxCount_data()
{
    QTest::addColumn<int>("tag");
    QTest::addColumn<QStringList>("expected");
    const QStringList designed{QStringLiteral("a"), QStringLiteral("b")};
    QTest::newRow("count 4: IDs t+1 to t+4 in order")
        << 50 << QStringList{"eins", "zwei", "drei", "vier"};
    QTest::newRow("count 0 empties the list") << 60 << QStringList();
    QTest::newRow("count not a number keeps the design") << 70 << designed;
    QTest::newRow("missing count (str90) keeps the design") << 90 << designed;
    QTest::newRow("negative count keeps the design") << 80 << designed;
    QTest::newRow("change mark over the count")
        << 65536 + 50 << QStringList{"eins", "zwei", "drei", "vier"};
}

void TranslateFormTest::comboBoxCount()
{
    QFETCH(int, tag);
    QFETCH(QStringList, expected);
    QWidget form;
    auto *combo = tagged<QComboBox>(&form, tag);
    combo->addItems({QStringLiteral("a"), QStringLiteral("b")});
    TranslateForm(&form, 0);
    QCOMPARE(items(combo), expected);
}

void TranslateFormTest::pagesTabsAndRadioItemsTakeConsecutiveIds()
{
    QWidget form;
    auto *notebook = tagged<QTabWidget>(&form, 20);
    for (int i = 0; i < 3; ++i)
        notebook->addTab(new QWidget, QStringLiteral("designed"));
    auto *tabs = tagged<QTabBar>(&form, 30);
    tabs->addTab(QStringLiteral("designed"));
    tabs->addTab(QStringLiteral("designed"));
    auto *radioGroup = tagged<QGroupBox>(&form, 40, QStringLiteral("Kanalwahl"));
    radioGroup->setProperty("kind", QStringLiteral("radiogroup"));
    auto *layout = new QVBoxLayout(radioGroup);
    auto *first = new QRadioButton(QStringLiteral("designed"));
    auto *second = new QRadioButton(QStringLiteral("designed"));
    layout->addWidget(first);
    layout->addWidget(second);

    TranslateForm(&form, 0);

    QCOMPARE(notebook->count(), 3);
    QCOMPARE(notebook->tabText(0), QStringLiteral("Seite A"));
    QCOMPARE(notebook->tabText(1), QStringLiteral("Seite B"));
    QCOMPARE(notebook->tabText(2), QStringLiteral("Seite C"));
    QCOMPARE(tabs->tabText(0), QStringLiteral("Reiter A"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("Reiter B"));
    // The group's own caption stays; its items start one after its ID.
    QCOMPARE(radioGroup->title(), QStringLiteral("Kanalwahl"));
    QCOMPARE(first->text(), QStringLiteral("der aktuelle Kanal"));
    QCOMPARE(second->text(), QStringLiteral("alle Kanäle"));
}

void TranslateFormTest::onlyTheLow16BitsAreTheId()
{
    QWidget form;
    auto *changed = tagged<QLabel>(&form, 65536 + 2003);
    auto *locked = tagged<QLabel>(&form, 131072 + 262144 + 11);
    auto *marksOnly = tagged<QLabel>(&form, 65536 + 131072);
    TranslateForm(&form, 0);
    QCOMPARE(changed->text(), QStringLiteral("Modus"));
    QCOMPARE(locked->text(), QStringLiteral("Beschriftung"));
    QCOMPARE(marksOnly->text(), QStringLiteral("designed"));
    // The marks are the window's state; translating must not touch them.
    QCOMPARE(changed->property("Tag").toInt(), 65536 + 2003);
}

void TranslateFormTest::formCaptionOnlyWithPositiveTag()
{
    QWidget untagged;
    untagged.setWindowTitle(QStringLiteral("Paramix100  für RQ-60"));
    untagged.setProperty("Tag", 0);
    TranslateForm(&untagged, 0);
    QCOMPARE(untagged.windowTitle(), QStringLiteral("Paramix100  für RQ-60"));

    QWidget tagged;
    tagged.setWindowTitle(QStringLiteral("designed"));
    tagged.setProperty("Tag", 10);
    TranslateForm(&tagged, 0);
    QCOMPARE(tagged.windowTitle(), QStringLiteral("Testfenster"));
}

void TranslateFormTest::offsetIsAddedIn16Bits()
{
    QWidget form;
    form.setProperty("Tag", 5);
    auto *label = tagged<QLabel>(&form, 6);
    auto *wrapping = tagged<QLabel>(&form, 65532); // 65532 + 5 wraps to 1
    TranslateForm(&form, 5);
    QCOMPARE(form.windowTitle(), QStringLiteral("Testfenster"));
    QCOMPARE(label->text(), QStringLiteral("Beschriftung"));
    QCOMPARE(wrapping->text(), QStringLiteral("wrapped"));
}

void TranslateFormTest::speedButtonsAndRadioGroupsAreToldApart()
{
    QPushButton push;
    QCOMPARE(componentKind(&push), ComponentKind::Button);
    push.setProperty("kind", QStringLiteral("speedbutton"));
    QCOMPARE(componentKind(&push), ComponentKind::SpeedButton);
    QGroupBox group;
    QCOMPARE(componentKind(&group), ComponentKind::GroupBox);
    group.setProperty("kind", QStringLiteral("radiogroup"));
    QCOMPARE(componentKind(&group), ComponentKind::RadioGroup);
    QLineEdit edit;
    QCOMPARE(componentKind(&edit), ComponentKind::Edit);
    edit.setProperty("editMask", QStringLiteral("!99/99/99;1;_"));
    QCOMPARE(componentKind(&edit), ComponentKind::MaskEdit);
    QSpinBox spin;
    QCOMPARE(componentKind(&spin), ComponentKind::SpinEdit);

    // A masked edit is no single-line edit: its Tag carries marks, and a
    // string ID in it would not overwrite the value.
    QWidget form;
    auto *masked = tagged<QLineEdit>(&form, 17);
    masked->setProperty("editMask", QStringLiteral("!99/99/99;1;_"));
    TranslateForm(&form, 0);
    QCOMPARE(masked->text(), QStringLiteral("designed"));
}

void TranslateFormTest::otherWindowsAreLeftAlone()
{
    QWidget form;
    auto *own = tagged<QLabel>(&form, 11);
    QDialog dialog(&form);
    auto *foreign = tagged<QLabel>(&dialog, 12);
    TranslateForm(&form, 0);
    QCOMPARE(own->text(), QStringLiteral("Beschriftung"));
    QCOMPARE(foreign->text(), QStringLiteral("designed"));
}

void TranslateFormTest::labelsShowTheirTextAsItStands()
{
    // A translation that looks like markup: as rich text "<leer>" would
    // vanish and "Wert" turn bold.
    QWidget form;
    auto *label = tagged<QLabel>(&form, 96);
    TranslateForm(&form, 0);
    QCOMPARE(label->text(), QStringLiteral("<b>Wert</b> <leer>"));
    QCOMPARE(label->textFormat(), Qt::PlainText);
}

QTEST_MAIN(TranslateFormTest)
#include "tst_translateform.moc"
