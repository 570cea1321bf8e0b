#ifndef QUORVELTOP_H
#define QUORVELTOP_H

#include "shell/abstractquorvelwidget.h"

// The start picture (page 0): no buttons, left only when the start delay ends.
class QuorvelTop : public AbstractQuorvelWidget
{
    Q_OBJECT

public:
    QuorvelTop() = default;
    ~QuorvelTop() override = default;

    void initPage() override;
};

#endif
