#include "quorvelhome.h"

#include "catalogue.h"
#include "pageids.h"
#include "stylesheets.h"

#include <QComboBox>
#include <QDebug>
#include <QIcon>
#include <QPushButton>
#include <QThread>
#include <QVariant>

namespace {

// Row 0 of the model list is a heading; row r opens model page 56 + r.
constexpr char ListHeading[] = "RQX-500 Series";
constexpr PageId ModelPageOfRow0 = Catalogue::FirstModelPage - 1;

} // namespace

QuorvelHome::QuorvelHome()
{
    setStyleSheet(QLatin1String(StyleSheets::Hover));

    btnNextPage = new QPushButton(this);
    btnFeaturePage = new QPushButton(this);
    comboModel = new QComboBox(this);

    btnNextPage->setGeometry(101, 424, 328, 65);
    btnFeaturePage->setGeometry(519, 203, 384, 231);
    comboModel->setGeometry(564, 106, 295, 39);
    comboModel->setMaxVisibleItems(10);

    comboModel->insertItem(0, QIcon(), tr(ListHeading), QVariant());
    for (int model = 0; model < Catalogue::ModelCount; ++model)
        comboModel->insertItem(model + 1, QIcon(), tr(Catalogue::modelCode(model)), QVariant());

    // Connected after the rows, so that filling the list asks for nothing.
    connect(btnFeaturePage, SIGNAL(pressed()), this, SLOT(sltBtnFeaturePagePressed()));
    connect(btnNextPage, SIGNAL(pressed()), this, SLOT(sltBtnNextPagePressed()));
    connect(comboModel, SIGNAL(currentIndexChanged(int)), this, SLOT(sltIndexChanged(int)));
}

QuorvelHome::~QuorvelHome()
{
    // Disconnected first, so that tearing the list down logs and asks for nothing.
    disconnect(btnFeaturePage, SIGNAL(pressed()), this, SLOT(sltBtnFeaturePagePressed()));
    disconnect(btnNextPage, SIGNAL(pressed()), this, SLOT(sltBtnNextPagePressed()));
    disconnect(comboModel, SIGNAL(currentIndexChanged(int)), this, SLOT(sltIndexChanged(int)));
    delete btnNextPage;
    delete btnFeaturePage;
    delete comboModel;
}

void QuorvelHome::initPage()
{
    setNavigationTargets(NoPageId, NoPageId, NoPageId);
    setPicturePath(pictureFile("/home.jpg"));
}

void QuorvelHome::sltBtnFeaturePagePressed()
{
    emit sigOpenWidget(FirstFeaturePage);
}

void QuorvelHome::sltBtnNextPagePressed()
{
    emit sigOpenWidget(FirstQuestionPage);
}

void QuorvelHome::sltIndexChanged(int idx)
{
    qDebug() << Q_FUNC_INFO << idx << QThread::currentThreadId();
    // An emptied list reports -1: only a model's row leads anywhere.
    if (idx >= 1 && idx <= Catalogue::ModelCount)
        emit sigOpenWidget(idx + ModelPageOfRow0);
}
