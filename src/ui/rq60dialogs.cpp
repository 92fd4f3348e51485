// The main window's dialogs (menus "Einstellungen" and "Aktion"), and what
// the window takes over from the user lock dialog and the battery dialog.
#include "rq60main.h"

#include "battcap.h"
#include "customer.h"
#include "displayrules.h"
#include "lockkeys.h"
#include "pageinformation.h"
#include "sio_opt.h"
#include "supplier.h"
#include "ui_pageinformation.h"
#include "ui_rq60main.h"
#include "user_opt.h"
#include "userlock.h"

#include <QSignalBlocker>

void TFormRQ60Main::connectDialogs()
{
    connect(m_ui->mn21SioOpt, &QAction::triggered, this, &TFormRQ60Main::mn21SioOptClick);
    connect(m_ui->mn22UserOpt, &QAction::triggered, this, &TFormRQ60Main::mn22UserOptClick);
    connect(m_ui->acChangeBattCap, &QAction::triggered, this,
            &TFormRQ60Main::acChangeBattCapExecute);
    connect(m_ui->acChangeCustomerKey, &QAction::triggered, this,
            &TFormRQ60Main::acChangeCustomerKeyExecute);
    connect(m_ui->acChangeSupplierKey, &QAction::triggered, this,
            &TFormRQ60Main::acChangeSupplierKeyExecute);
    connect(m_ui->acChangeUserLock, &QAction::triggered, this,
            &TFormRQ60Main::acChangeUserLockExecute);
}

void TFormRQ60Main::mn21SioOptClick()
{
    TFormSioOptions dialog(this);
    dialog.exec();
}

void TFormRQ60Main::mn22UserOptClick()
{
    TFormUserOptions dialog(this);
    dialog.exec();
}

void TFormRQ60Main::acChangeBattCapExecute()
{
    TFormBattCap dialog(m_session, this);
    // The dialog hands back the months the device answered; the window puts
    // them into its own field.
    connect(&dialog, &TFormBattCap::runTimeWritten, informationPage()->ui()->L35,
            &QLineEdit::setText);
    dialog.exec();
}

void TFormRQ60Main::acChangeCustomerKeyExecute()
{
    TFormCustomerKey dialog(m_session, this);
    dialog.exec();
}

void TFormRQ60Main::acChangeSupplierKeyExecute()
{
    TFormSupplierKey dialog(m_session, this);
    dialog.exec();
}

void TFormRQ60Main::acChangeUserLockExecute()
{
    {
        TFormUserLock dialog(m_session, this);
        dialog.exec();
    }
    const QString &p0 = m_session.values().P[0];
    const QString &p10 = m_session.values().P[10];
    const QSignalBlocker quiet(m_ui->Benutzerschloss);
    if (!userLockClosed(p0, p10)) {
        EnableUserValues();
        m_ui->Benutzerschloss->setCurrentIndex(1);
    } else {
        m_ui->Benutzerschloss->setCurrentIndex(0);
        // An open calibration lock opens the user-lock fields as well.
        if (m_ui->Eichschloss->currentIndex() == 0)
            DisableUserValues();
    }
    m_ui->acChangeCustomerKey->setEnabled(lockCountsOpen(p10));
    m_ui->acChangeSupplierKey->setEnabled(lockCountsOpen(p0));
}
