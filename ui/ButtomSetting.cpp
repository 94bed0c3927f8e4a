#include "ButtomSetting.h"

ButtomSetting::ButtomSetting(QWidget* parent) : QWidget(parent) {
    setObjectName("ButtomSetting");
}
