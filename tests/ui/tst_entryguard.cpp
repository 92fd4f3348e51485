// The entry rules with real input events: a wheel turned over an unfocused
// list or spin field changes nothing and takes no focus; a masked field
// entered by mouse or Tab is replaced by what is typed; the change mark and
// the lock show on the field.
#include "editmask.h"
#include "entryguard.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QtTest>

class EntryGuardTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void wheelOnlyWithFocus();
    void enteredMaskedFieldIsReplaced_data();
    void enteredMaskedFieldIsReplaced();
    void lookFollowsBothStates();

private:
    void wheel(QWidget *w, int steps);
    QWidget *m_window = nullptr;
    QLineEdit *m_typing = nullptr;
    QLineEdit *m_number = nullptr;
    QComboBox *m_list = nullptr;
    QSpinBox *m_spin = nullptr;
};

void EntryGuardTest::init()
{
    m_window = new QWidget;
    auto *layout = new QVBoxLayout(m_window);
    m_typing = new QLineEdit(m_window);
    m_number = new QLineEdit(m_window);
    m_number->setInputMask(EditMask(QStringLiteral("999999999999;1;_")).qtInputMask());
    m_number->setText(QStringLiteral("12345678"));
    m_list = new QComboBox(m_window);
    m_list->addItems({"0.01", "0.1", "1", "10", "100"});
    m_list->setCurrentIndex(2);
    m_spin = new QSpinBox(m_window);
    m_spin->setRange(-30, 50);
    m_spin->setValue(10);
    for (QWidget *w : {static_cast<QWidget *>(m_typing), static_cast<QWidget *>(m_number),
                       static_cast<QWidget *>(m_list), static_cast<QWidget *>(m_spin)})
        layout->addWidget(w);
    installEntryGuard(m_window);
    m_window->show();
    QApplication::setActiveWindow(m_window);
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    m_typing->setFocus();
    QVERIFY(m_typing->hasFocus());
}

void EntryGuardTest::cleanup()
{
    delete m_window;
    m_window = nullptr;
}

void EntryGuardTest::wheel(QWidget *w, int steps)
{
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QWheelEvent e(at, w->mapToGlobal(at), QPoint(), QPoint(0, 120 * steps), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

void EntryGuardTest::wheelOnlyWithFocus()
{
    // Turned while the technician types elsewhere: nothing moves, the focus
    // stays where the typing is.
    wheel(m_list, -1);
    wheel(m_spin, 3);
    QCOMPARE(m_list->currentIndex(), 2);
    QCOMPARE(m_spin->value(), 10);
    QVERIFY(m_typing->hasFocus());
    // Chosen on purpose, the field takes the wheel as before.
    m_list->setFocus();
    wheel(m_list, -1);
    QCOMPARE(m_list->currentIndex(), 3);
    m_spin->setFocus();
    wheel(m_spin, 3);
    QCOMPARE(m_spin->value(), 13);
}

void EntryGuardTest::enteredMaskedFieldIsReplaced_data()
{
    QTest::addColumn<bool>("byMouse");
    QTest::newRow("mouse") << true;
    QTest::newRow("Tab") << false;
}

void EntryGuardTest::enteredMaskedFieldIsReplaced()
{
    QFETCH(bool, byMouse);
    if (byMouse)
        QTest::mouseClick(m_number, Qt::LeftButton, Qt::NoModifier, QPoint(20, 5));
    else
        QTest::keyClick(m_typing, Qt::Key_Tab);
    QVERIFY(m_number->hasFocus());
    QTRY_COMPARE(m_number->selectedText(), QStringLiteral("12345678____"));
    QTest::keyClicks(m_number, QStringLiteral("7777"));
    // Not 77775678: the typed number replaces the old one.
    QCOMPARE(m_number->text().trimmed(), QStringLiteral("7777"));
}

void EntryGuardTest::lookFollowsBothStates()
{
    const QColor normal = m_spin->palette().color(QPalette::Active, QPalette::Base);
    setEntryChanged(m_spin, true);
    const QColor changed = m_spin->palette().color(QPalette::Active, QPalette::Base);
    QVERIFY(changed != normal);
    QVERIFY(entryChanged(m_spin));
    setEntryLocked(m_spin, true);
    QCOMPARE(m_spin->palette().color(QPalette::Active, QPalette::Base), QColor(192, 192, 192));
    // Unlocked again with its edit still pending, it shows the edit.
    setEntryLocked(m_spin, false);
    QCOMPARE(m_spin->palette().color(QPalette::Active, QPalette::Base), changed);
    setEntryChanged(m_spin, false);
    QCOMPARE(m_spin->palette().color(QPalette::Active, QPalette::Base), normal);
    // A drop-down list shows the mark on its face.
    const QColor face = m_list->palette().color(QPalette::Active, QPalette::Button);
    setEntryChanged(m_list, true);
    QVERIFY(m_list->palette().color(QPalette::Active, QPalette::Button) != face);
}

QTEST_MAIN(EntryGuardTest)
#include "tst_entryguard.moc"
