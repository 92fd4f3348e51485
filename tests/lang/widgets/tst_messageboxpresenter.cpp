#include "messageboxpresenter.h"
#include "qttranslations.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <QTimer>

class MessageBoxPresenterTest : public QObject
{
    Q_OBJECT

private slots:
    void boxForFlags_data();
    void boxForFlags();
    void answers_data();
    void answers();
    void qtTextsSpeakTheProgramsLanguage();
    void textsAreShownAsTheyStand();
};

void MessageBoxPresenterTest::boxForFlags_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("buttons");
    QTest::newRow("0: OK, no icon") << 0 << int(QMessageBox::NoIcon) << int(QMessageBox::Ok);
    QTest::newRow("4: Yes/No, no icon")
        << 4 << int(QMessageBox::NoIcon) << int(QMessageBox::Yes | QMessageBox::No);
    QTest::newRow("16: OK, critical") << 16 << int(QMessageBox::Critical) << int(QMessageBox::Ok);
}

void MessageBoxPresenterTest::boxForFlags()
{
    QFETCH(int, flags);
    QFETCH(int, icon);
    QFETCH(int, buttons);
    QCOMPARE(int(QMessageBoxPresenter::iconFor(uint16_t(flags))), icon);
    QCOMPARE(int(QMessageBoxPresenter::buttonsFor(uint16_t(flags))), buttons);
}

void MessageBoxPresenterTest::answers_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("press"); // a standard button, 0 for Escape, -1 for Enter
    QTest::addColumn<int>("result");
    QTest::newRow("Yes gives 6") << 4 << int(QMessageBox::Yes) << 6;
    QTest::newRow("No gives 7") << 4 << int(QMessageBox::No) << 7;
    QTest::newRow("Escape on a question is No") << 4 << 0 << 7;
    QTest::newRow("OK gives 1") << 0 << int(QMessageBox::Ok) << 1;
    QTest::newRow("OK on an error box gives 1") << 16 << int(QMessageBox::Ok) << 1;
    QTest::newRow("Enter on a question is Yes") << 4 << -1 << 6;
    QTest::newRow("Enter on a destructive question is No") << (4 | 256) << -1 << 7;
}

void MessageBoxPresenterTest::answers()
{
    QFETCH(int, flags);
    QFETCH(int, press);
    QFETCH(int, result);
    MessageRequest request;
    request.text = QStringLiteral("Sollen die Werte gesetzt werden?");
    request.caption = QStringLiteral("Achtung");
    request.flags = uint16_t(flags);

    QString shownText;
    QString shownCaption;
    // The box is modal: answer it from the event loop once it is up.
    QTimer::singleShot(0, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        shownText = box->text();
        shownCaption = box->windowTitle();
        if (press > 0)
            box->button(QMessageBox::StandardButton(press))->click();
        else
            QTest::keyClick(box, press < 0 ? Qt::Key_Return : Qt::Key_Escape);
    });
    QMessageBoxPresenter presenter;
    QCOMPARE(presenter.present(request), result);
    QCOMPARE(shownText, request.text);
    QCOMPARE(shownCaption, request.caption);
}

// The buttons of a German box are German: Qt's own texts follow the
// program's language.
void MessageBoxPresenterTest::qtTextsSpeakTheProgramsLanguage()
{
    auto yesText = [] {
        QMessageBox box(QMessageBox::Question, QString(), QString(),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        return QStringList{box.button(QMessageBox::Yes)->text(),
                           box.button(QMessageBox::No)->text(),
                           box.button(QMessageBox::Cancel)->text()};
    };
    QVERIFY(installQtTranslations(QStringLiteral("DE")));
    QCOMPARE(yesText(), (QStringList{"&Ja", "&Nein", "Abbrechen"}));
    // The help window's own search speaks it too.
    QCOMPARE(QCoreApplication::translate("QHelpSearchQueryWidget", "Search for:"),
             QStringLiteral("Suche nach:"));
    // Another language replaces the one before.
    QVERIFY(installQtTranslations(QStringLiteral("en")));
    QCOMPARE(yesText(), (QStringList{"&Yes", "&No", "Cancel"}));
    QCOMPARE(QCoreApplication::translate("QHelpSearchQueryWidget", "Search for:"),
             QStringLiteral("Search for:"));
    // A language Qt does not know leaves Qt's own (English) texts.
    QVERIFY(!installQtTranslations(QStringLiteral("XX")));
    QCOMPARE(yesText().first(), QStringLiteral("&Yes"));
}

void MessageBoxPresenterTest::textsAreShownAsTheyStand()
{
    // A device value or a path filled into a message is no markup.
    MessageRequest request;
    request.text = QStringLiteral("<b>P4</b> = <leer>");
    request.caption = QStringLiteral("Fehler");
    request.flags = MbIconError;
    Qt::TextFormat format = Qt::AutoText;
    QString shownText;
    QTimer::singleShot(0, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        format = box->textFormat();
        shownText = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    QMessageBoxPresenter presenter;
    QCOMPARE(presenter.present(request), 1);
    QCOMPARE(format, Qt::PlainText);
    QCOMPARE(shownText, request.text);
}

QTEST_MAIN(MessageBoxPresenterTest)
#include "tst_messageboxpresenter.moc"
