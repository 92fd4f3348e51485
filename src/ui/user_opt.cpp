#include "user_opt.h"

#include "addresstable.h"
#include "componentkind.h"
#include "dirchooser.h"
#include "helpentry.h"
#include "helpers.h"
#include "inisettings.h"
#include "langsupp.h"
#include "rq60main.h"
#include "translateform.h"
#include "ui_user_opt.h"

#include <QGuiApplication>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>
#include <algorithm>
#include <functional>

namespace {

const QColor Silver(192, 192, 192);
// The style's grey for disabled text would vanish on silver; the locked
// values stay readable.
const QColor LockedText(80, 80, 80);

void paintSilver(QWidget *w)
{
    QPalette p = w->palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(g, QPalette::Base, Silver);
        p.setColor(g, QPalette::Button, Silver);
    }
    p.setColor(QPalette::Disabled, QPalette::Text, LockedText);
    p.setColor(QPalette::Disabled, QPalette::ButtonText, LockedText);
    w->setPalette(p);
}

// The export file number the field shows: 1 to 999 as the setting gives it,
// else 999. A base-36 setting ("0-Z") shows the number it stands for, since
// the field holds decimal numbers only; saving writes that number back in
// decimal.
int shownFileNumber(const TUserOptions &o)
{
    try {
        const int n = FileNoToInt(o.TempFileNo, o.TempFileNoType);
        if (n < 1 || n > 999)
            return 999;
        if (o.TempFileNoType == QLatin1String("0-Z"))
            return n;
        // Only the low 16 bits were checked: 66537 passes as 1, and the
        // field's range then shows it as 999.
        return int(std::clamp<qint64>(StrToInt64(o.TempFileNo), 1, 999));
    } catch (const ConversionError &) {
        return 999;
    }
}

} // namespace

TFormUserOptions::TFormUserOptions(QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TFormUserOptions>())
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    auto *ui = m_ui.get();
    connect(ui->ComboBox1, &QComboBox::currentIndexChanged, this,
            [this] { mark(m_ui->ComboBox1); }); // ComboBox1Change
    for (QRadioButton *item : ui->RadioGroup1->findChildren<QRadioButton *>())
        connect(item, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                mark(m_ui->RadioGroup1); // RadioGroup1Click
        });
    connect(ui->SpinEdit1, &QSpinBox::valueChanged, this, [this] { mark(m_ui->SpinEdit1); });
    connect(ui->Edit1, &QLineEdit::textChanged, this, [this] { mark(m_ui->Edit1); });
    connect(ui->Edit3, &QLineEdit::textChanged, this, [this] { mark(m_ui->Edit3); });
    connect(ui->SpinEdit2, &QSpinBox::valueChanged, this, [this] { mark(m_ui->SpinEdit2); });
    connect(ui->Edit2, &QLineEdit::textChanged, this, [this] { mark(m_ui->Edit2); });
    connect(ui->btSelectTempPath, &QPushButton::clicked, this,
            &TFormUserOptions::btSelectTempPathClick);
    connect(ui->btOK, &QPushButton::clicked, this, &TFormUserOptions::btOKClick);
    connect(ui->btCancel, &QPushButton::clicked, this, &TFormUserOptions::btCancelClick);
    connect(ui->btHelp, &QPushButton::clicked, this, &TFormUserOptions::btHelpClick);

    TranslateForm(this, 0);
    // Centred on the screen, not on the main window.
    adjustSize();
    QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen)
        move(screen->availableGeometry().center() - rect().center());
}

TFormUserOptions::~TFormUserOptions() = default;

void TFormUserOptions::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous() && !m_shown) {
        m_shown = true;
        FormActivate();
    }
}

void TFormUserOptions::FormActivate()
{
    if (ProgramShortName == QLatin1String("PXRQ60")) {
        for (QWidget *w :
             {static_cast<QWidget *>(m_ui->ComboBox1), static_cast<QWidget *>(m_ui->RadioGroup1),
              static_cast<QWidget *>(m_ui->SpinEdit1), static_cast<QWidget *>(m_ui->Edit3)})
            w->setEnabled(false);
        for (QWidget *w :
             {static_cast<QWidget *>(m_ui->ComboBox1), static_cast<QWidget *>(m_ui->SpinEdit1),
              static_cast<QWidget *>(m_ui->Edit3)})
            paintSilver(w);
    }
    ShowUserOptions();
    // Filling ran the change handlers; what was just filled in is unchanged.
    ClearUserOptionMarks();
}

void TFormUserOptions::ShowUserOptions()
{
    const TUserOptions &o = IniSettings.UserOptions;
    m_ui->ComboBox1->setCurrentIndex(2);
    const QList<QRadioButton *> items = m_ui->RadioGroup1->findChildren<QRadioButton *>();
    const int channel = o.ChannelMode <= 1 ? o.ChannelMode : 1;
    if (channel < items.size())
        items.at(channel)->setChecked(true);
    // The field's range 1..199 shows the 0 of a code mark above 199 as 1.
    m_ui->SpinEdit1->setValue(o.CodeMark <= 199 ? o.CodeMark : 0);
    m_ui->Edit1->setText(o.Reader);
    m_ui->Edit3->setText(o.AccessCode);
    m_ui->SpinEdit2->setValue(shownFileNumber(o));
    m_ui->Edit2->setText(o.TempFilePath);
}

void TFormUserOptions::ClearUserOptionMarks()
{
    for (QWidget *w : settingControls())
        setMark(w, false);
}

QList<QWidget *> TFormUserOptions::settingControls() const
{
    return {m_ui->ComboBox1, m_ui->RadioGroup1, m_ui->SpinEdit1, m_ui->SpinEdit2,
            m_ui->Edit1,     m_ui->Edit2,       m_ui->Edit3};
}

int TFormUserOptions::channelModeIndex() const
{
    const QList<QRadioButton *> items = m_ui->RadioGroup1->findChildren<QRadioButton *>();
    for (int i = 0; i < items.size(); ++i)
        if (items.at(i)->isChecked())
            return i;
    return -1;
}

bool TFormUserOptions::SaveUserOptions()
{
    auto *ui = m_ui.get();
    // Each step writes one key; the order is the one the settings have
    // always been saved in.
    const std::pair<QWidget *, std::function<void()>> steps[] = {
        {ui->ComboBox1, [ui] { WriteReadoutMode(uint8_t(ui->ComboBox1->currentIndex())); }},
        {ui->RadioGroup1, [this] { WriteChannelMode(uint8_t(channelModeIndex())); }},
        {ui->SpinEdit1, [ui] { WriteCodeMark(uint8_t(ui->SpinEdit1->value())); }},
        {ui->SpinEdit2, [ui] { WriteTempFileNo(QString::number(ui->SpinEdit2->value())); }},
        {ui->Edit1, [ui] { WriteReader(ui->Edit1->text()); }},
        {ui->Edit2, [ui] { WriteTempFilePath(ui->Edit2->text()); }},
        {ui->Edit3, [ui] { WriteAccessCode(ui->Edit3->text()); }},
    };
    for (const auto &[control, write] : steps) {
        if (!changeMarked(control))
            continue;
        try {
            write();
        } catch (const IniWriteError &e) {
            LangMessageBoxArgs(8000, {iniFilePath(), e.reason()}, 500, MbIconError);
            return false;
        }
        setMark(control, false);
    }
    return true;
}

void TFormUserOptions::btSelectTempPathClick()
{
    const std::optional<QString> dir = chooseDirectory(this, langText(2031), m_ui->Edit2->text());
    if (!dir)
        return;
    m_ui->Edit2->setText(*dir);
    // The same directory again is still the user's confirmed choice.
    mark(m_ui->Edit2);
}

void TFormUserOptions::btOKClick()
{
    SaveUserOptions();
    accept();
}

void TFormUserOptions::btCancelClick()
{
    reject();
}

void TFormUserOptions::btHelpClick()
{
    showHelpKeyword(QStringLiteral("Optionen_Anwender"));
}

void TFormUserOptions::done(int result)
{
    const QList<QWidget *> controls = settingControls();
    const bool marked = std::any_of(controls.begin(), controls.end(),
                                    [this](const QWidget *w) { return changeMarked(w); });
    if (marked) {
        if (LangMessageBox(2030, 502, MbYesNo) == IdYes)
            SaveUserOptions();
        else
            ClearUserOptionMarks();
    }
    QDialog::done(result);
}

bool TFormUserOptions::changeMarked(const QWidget *control) const
{
    return componentTag(control) & TagChangeFlag;
}

void TFormUserOptions::mark(QWidget *control)
{
    setMark(control, true);
}

void TFormUserOptions::setMark(QWidget *control, bool on)
{
    const int64_t tag = componentTag(control);
    setComponentTag(control, on ? tag | TagChangeFlag : tag & ~int64_t(TagChangeFlag));
}
