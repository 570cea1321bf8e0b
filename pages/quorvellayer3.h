#ifndef QUORVELLAYER3_H
#define QUORVELLAYER3_H

#include "hotspot.h"
#include "shell/abstractquorvelwidget.h"

#include <vector>

// The third question level (pages 18..22): the models of one code group, each
// opening its result page.
class QuorvelLayer3 : public AbstractQuorvelWidget
{
    Q_OBJECT

public:
    QuorvelLayer3();
    ~QuorvelLayer3() override;

    void initPage() override;

public slots:
    void sltBtn1Pressed();
    void sltBtn2Pressed();
    void sltBtn3Pressed();
    void sltBtn4Pressed();
    void sltBtn5Pressed();

private:
    static const ButtonFields<QuorvelLayer3> &buttonFields();

    QPushButton *btn1 = nullptr;
    QPushButton *btn2 = nullptr;
    QPushButton *btn3 = nullptr;
    QPushButton *btn4 = nullptr;
    QPushButton *btn5 = nullptr;
    qint32 targetPageIds[5] = {NoPageId, NoPageId, NoPageId, NoPageId, NoPageId};
};

#endif
