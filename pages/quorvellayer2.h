#ifndef QUORVELLAYER2_H
#define QUORVELLAYER2_H

#include "hotspot.h"
#include "shell/abstractquorvelwidget.h"

#include <vector>

// The second question level: page 15 offers five code groups; pages 16 and 17
// are the catalogue by type letter, a type button at the left of each row and
// the models of that type to its right.
class QuorvelLayer2 : public AbstractQuorvelWidget
{
    Q_OBJECT

public:
    QuorvelLayer2();
    ~QuorvelLayer2() override;

    void initPage() override;

public slots:
    void sltBtnTypePage1Pressed();
    void sltBtnTypePage2Pressed();
    void sltBtnTypePage3Pressed();
    void sltBtnTypePage4Pressed();
    void sltBtnTypePage5Pressed();
    void sltBtnTypePage6Pressed();
    void sltBtnTypePage7Pressed();
    void sltBtn1Pressed();
    void sltBtn2Pressed();
    void sltBtn3Pressed();
    void sltBtn4Pressed();
    void sltBtn5Pressed();
    void sltBtn6Pressed();
    void sltBtn7Pressed();
    void sltBtn8Pressed();
    void sltBtn9Pressed();
    void sltBtn10Pressed();
    void sltBtn11Pressed();
    void sltBtn12Pressed();
    void sltBtn13Pressed();

private:
    static const ButtonFields<QuorvelLayer2> &buttonFields();

    QPushButton *btnTypePage1 = nullptr;
    QPushButton *btnTypePage2 = nullptr;
    QPushButton *btnTypePage3 = nullptr;
    QPushButton *btnTypePage4 = nullptr;
    QPushButton *btnTypePage5 = nullptr;
    QPushButton *btnTypePage6 = nullptr;
    QPushButton *btnTypePage7 = nullptr;
    QPushButton *btn1 = nullptr;
    QPushButton *btn2 = nullptr;
    QPushButton *btn3 = nullptr;
    QPushButton *btn4 = nullptr;
    QPushButton *btn5 = nullptr;
    QPushButton *btn6 = nullptr;
    QPushButton *btn7 = nullptr;
    QPushButton *btn8 = nullptr;
    QPushButton *btn9 = nullptr;
    QPushButton *btn10 = nullptr;
    QPushButton *btn11 = nullptr;
    QPushButton *btn12 = nullptr;
    QPushButton *btn13 = nullptr;
    qint32 targetPageIds[13] = {NoPageId, NoPageId, NoPageId, NoPageId, NoPageId, NoPageId, NoPageId,
                                NoPageId, NoPageId, NoPageId, NoPageId, NoPageId, NoPageId};
};

#endif
