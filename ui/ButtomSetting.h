// The bottom panel: global blend width, crop and automatic mode.
#pragma once

#include <QWidget>

class ButtomSetting : public QWidget {
    Q_OBJECT
public:
    explicit ButtomSetting(QWidget* parent = nullptr);
};
