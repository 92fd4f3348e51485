#include "pageinformation.h"

#include "devicesession.h"
#include "displayrules.h"
#include "ui_pageinformation.h"

TPageInformation::TPageInformation(QWidget *parent)
    : TNotebookPage(parent), m_ui(std::make_unique<Ui::TPageInformation>())
{
    m_ui->setupUi(this);
}

TPageInformation::~TPageInformation() = default;

void TPageInformation::connectFields()
{
    markOnChange({"L7", "L8", "L12", "L18", "L123", "L124", "P310", "P311"});
}

int32_t TPageInformation::readAndShow()
{
    const int32_t status = TNotebookPage::readAndShow();
    const DeviceSession &session = host().session();
    if (session.generation() == Generation::V1x)
        host().applyUserLock(!userLockClosed(session.values().P[0], session.values().P[10]));
    return status;
}
