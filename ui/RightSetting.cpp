#include "RightSetting.h"

#include <QLayoutItem>
#include <cstdio>

#include "CameraSetting.h"
#include "CurrentProject.h"
#include "ProjectModel.h"
#include "ui_RightSetting.h"

RightSetting::RightSetting(QWidget* parent) : QFrame(parent), ui(new Ui::RightSetting) {
    ui->setupUi(this);
    buildPanels();
}

RightSetting::~RightSetting() {
    delete ui;
}

void RightSetting::buildPanels() {
    const int count = static_cast<int>(currentProject()->cameras.size());
    panels.resize(count);
    for (int i = 0; i < count; ++i) {
        auto* panel = new CameraSetting();
        panel->setModel(model);
        connect(panel, &CameraSetting::highlightTaken, this, [this](CameraSetting* taker) {
            for (CameraSetting* other : panels)
                if (other && other != taker) other->clearHighlight();
        });
        connect(panel, &CameraSetting::alphaForAll, this, [this](int value) {
            for (CameraSetting* other : panels)
                if (other) other->showAlpha(value);
        });
        panel->fillFromCamera(i);
        ui->verticalLayout1->addWidget(panel);
        panels[i] = panel;
    }
}

void RightSetting::rebuildPanels() {
    printf("ui->verticalLayout1->count() %d\r\n", ui->verticalLayout1->count());
    fflush(stdout);
    while (QLayoutItem* item = ui->verticalLayout1->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    panels.clear();
    buildPanels();
}

void RightSetting::showDrawOrder() {
    const std::deque<int>& order = currentProject()->drawOrder;
    const int length = static_cast<int>(order.size());
    for (int p = 0; p < length; ++p) {
        const int camera = order[static_cast<size_t>(p)];
        if (camera >= 0 && camera < panels.size() && panels[camera])
            panels[camera]->showOrder(length - p - 1);
    }
}

void RightSetting::setModel(ProjectModel* projectModel) {
    if (model) disconnect(model, nullptr, this, nullptr);
    model = projectModel;
    for (CameraSetting* panel : panels)
        if (panel) panel->setModel(model);
    if (model)
        connect(model, &ProjectModel::changeFinished, this, [this](ProjectModel::Change what) {
            if (what == ProjectModel::Change::Layers) showDrawOrder();
        });
}

void RightSetting::updateTips() {
    for (CameraSetting* panel : panels)
        if (panel) panel->updateTips();
}
