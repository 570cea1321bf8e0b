#ifndef QUORVELLAYER1_H
#define QUORVELLAYER1_H

#include "shell/abstractquorvelwidget.h"

QT_BEGIN_NAMESPACE
class QPushButton;
QT_END_NAMESPACE

// The first question (page 14): Yes opens page 15, No page 16.
class QuorvelLayer1 : public AbstractQuorvelWidget
{
    Q_OBJECT

public:
    QuorvelLayer1();
    ~QuorvelLayer1() override;

    void initPage() override;

public slots:
    void sltBtnYesPressed();
    void sltBtnNoPressed();

private:
    QPushButton *btnYes = nullptr;
    QPushButton *btnNo = nullptr;
};

#endif
