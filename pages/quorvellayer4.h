#ifndef QUORVELLAYER4_H
#define QUORVELLAYER4_H

#include "shell/abstractquorvelwidget.h"

// Result pages (23..56), model pages (57..76) and type pages (131..137): one
// picture each, with only the navigation buttons on it.
class QuorvelLayer4 : public AbstractQuorvelWidget
{
    Q_OBJECT

public:
    QuorvelLayer4();
    ~QuorvelLayer4() override = default;

    void initPage() override;
};

#endif
