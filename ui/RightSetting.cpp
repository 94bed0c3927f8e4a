#include "RightSetting.h"

RightSetting::RightSetting(QWidget* parent) : QWidget(parent) {
    setObjectName("RightSetting");
}

void RightSetting::rebuildPanels() {}
