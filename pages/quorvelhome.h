#ifndef QUORVELHOME_H
#define QUORVELHOME_H

#include "shell/abstractquorvelwidget.h"

QT_BEGIN_NAMESPACE
class QComboBox;
class QPushButton;
QT_END_NAMESPACE

// The hub (page 1): the feature hot-spot, the question hot-spot and the model
// list. Its requests reach the window through the watcher, never directly.
class QuorvelHome : public AbstractQuorvelWidget
{
    Q_OBJECT

public:
    QuorvelHome();
    ~QuorvelHome() override;

    void initPage() override;

public slots:
    void sltBtnFeaturePagePressed();
    void sltBtnNextPagePressed();
    void sltIndexChanged(int idx);

private:
    QPushButton *btnNextPage = nullptr;
    QPushButton *btnFeaturePage = nullptr;
    QComboBox *comboModel = nullptr;
};

#endif
