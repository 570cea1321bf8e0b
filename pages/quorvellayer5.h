#ifndef QUORVELLAYER5_H
#define QUORVELLAYER5_H

#include "shell/abstractquorvelwidget.h"

// Detail pages (77..130): a model's detail sheet, opened by the next button of a
// model or result page, to which previous leads back.
class QuorvelLayer5 : public AbstractQuorvelWidget
{
    Q_OBJECT

public:
    QuorvelLayer5();
    ~QuorvelLayer5() override = default;

    void initPage() override;
};

#endif
