#ifndef QUORVELFEATURES_H
#define QUORVELFEATURES_H

#include "shell/abstractquorvelwidget.h"

// The row of twelve feature pictures (pages 2..13), leafed through with
// previous and next and closed at both ends.
class QuorvelFeatures : public AbstractQuorvelWidget
{
    Q_OBJECT

public:
    QuorvelFeatures() = default;
    ~QuorvelFeatures() override = default;

    void initPage() override;
};

#endif
