#include "pagecounters.h"

#include "devicesession.h"
#include "helpers.h"
#include "langsupp.h"
#include "ui_pagecounters.h"
#include "wireformat.h"

#include <QEvent>
#include <functional>

namespace {

// Runs a function when its widget loses the input focus (the fields' exit
// event).
class ExitWatcher : public QObject
{
public:
    ExitWatcher(QObject *parent, std::function<void()> onExit)
        : QObject(parent), m_onExit(std::move(onExit))
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FocusOut)
            m_onExit();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_onExit;
};

} // namespace

TPageCounters::TPageCounters(QWidget *parent)
    : TNotebookPage(parent), m_ui(std::make_unique<Ui::TPageCounters>())
{
    m_ui->setupUi(this);
}

TPageCounters::~TPageCounters() = default;

void TPageCounters::connectFields()
{
    markOnChange({"H1", "H23", "H2", "H4"});
    m_ui->H2->installEventFilter(new ExitWatcher(m_ui->H2, [this] { H2Exit(); }));
    m_ui->H4->installEventFilter(new ExitWatcher(m_ui->H4, [this] { H4Exit(); }));
    connect(m_ui->btDeleteAllCounter, &QPushButton::clicked, this,
            &TPageCounters::btDeleteAllCounterClick);
}

// Passing through without an edit leaves H6 alone: the counters keep
// running, and a sum of the shown texts written later would set H6 to an
// old total.
void TPageCounters::H2Exit()
{
    if (!host().pageReady() || !(isMarked(m_ui->H2) || isMarked(m_ui->H4)))
        return;
    try {
        const QString sum = H2plusH4(m_ui->H2->text(), m_ui->H4->text());
        host().setPageReady(false);
        m_ui->H6->setText(sum);
        host().setPageReady(true);
        setMarked(m_ui->H6, true);
    } catch (const ConversionError &) {
        // A half-typed counter has no sum yet; "Setzen" reports the field.
    }
}

void TPageCounters::H4Exit()
{
    H2Exit();
}

void TPageCounters::btDeleteAllCounterClick()
{
    if (LangMessageBox(540, 502, MbYesNo | MbDefaultNo) != IdYes)
        return;
    const WriteResult result = host().session().resetCounters();
    if (!result.written()) {
        LangStatusBox(541, result.status, MbOk);
        return;
    }
    host().setPageReady(false);
    host().readPageShown();
    // The counters are zero now, whatever a read during the reset returned;
    // the next successful read replaces these texts.
    host().setPageReady(false);
    host().session().noteCountersCleared();
    host().setPageReady(true);
}
