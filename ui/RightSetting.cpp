#include "RightSetting.h"

#include <QLayoutItem>
#include <cstdio>

#include "CameraSetting.h"
#include "CurrentProject.h"
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
        connect(panel, &CameraSetting::previewChanged, this, &RightSetting::previewChanged);
        connect(panel, &CameraSetting::seamsChanged, this, &RightSetting::seamsChanged);
        connect(panel, &CameraSetting::highlightTaken, this, [this](CameraSetting* taker) {
            for (CameraSetting* other : panels)
                if (other && other != taker) other->clearHighlight();
        });
        connect(panel, &CameraSetting::alphaForAll, this, [this](int value) {
            for (CameraSetting* other : panels)
                if (other) other->showAlpha(value);
        });
        connect(panel, &CameraSetting::drawOrderChanged, this, [this] {
            showDrawOrder();
            emit drawOrderChanged();
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

void RightSetting::updateTips() {
    for (CameraSetting* panel : panels)
        if (panel) panel->updateTips();
}
