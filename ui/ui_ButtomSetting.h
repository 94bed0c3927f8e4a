// The bottom panel's form, built in code the way Qt's form compiler builds it:
// object names first, texts in a separate translation step, slots by name.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLCDNumber>
#include <QLabel>
#include <QSlider>
#include <QWidget>

#include "geometry/SliderRange.h"

class Ui_ButtomSetting {
public:
    QGridLayout* gridLayout_2;
    QGridLayout* gridLayout;
    QLabel* label;
    QSlider* BlendSlider;
    QLCDNumber* BlendNum;
    QLabel* label_4;
    QSlider* CutSilder;
    QLCDNumber* CutNum;
    QCheckBox* m_AutoMixCombox;
    QHBoxLayout* horizontalLayout_seams;
    QLabel* label_seams;
    QComboBox* m_SeamModeCombo;
    QCheckBox* m_DeviceViewCombox;

    void setupUi(QWidget* ButtomSetting) {
        if (ButtomSetting->objectName().isEmpty())
            ButtomSetting->setObjectName(QString::fromUtf8("ButtomSetting"));
        ButtomSetting->resize(566, 121);
        gridLayout_2 = new QGridLayout(ButtomSetting);
        gridLayout_2->setObjectName(QString::fromUtf8("gridLayout_2"));
        gridLayout = new QGridLayout();
        gridLayout->setObjectName(QString::fromUtf8("gridLayout"));
        label = new QLabel(ButtomSetting);
        label->setObjectName(QString::fromUtf8("label"));

        gridLayout->addWidget(label, 0, 0, 1, 1);

        BlendSlider = new QSlider(ButtomSetting);
        BlendSlider->setObjectName(QString::fromUtf8("BlendSlider"));
        BlendSlider->setMaximum(kSliderMax);
        BlendSlider->setOrientation(Qt::Horizontal);

        gridLayout->addWidget(BlendSlider, 0, 1, 1, 2);

        BlendNum = new QLCDNumber(ButtomSetting);
        BlendNum->setObjectName(QString::fromUtf8("BlendNum"));
        BlendNum->setStyleSheet(
            QString::fromUtf8("background-color: rgb(76, 76, 76);\n"
                              "color: rgb(0, 255, 0);"));

        gridLayout->addWidget(BlendNum, 0, 3, 1, 1);

        label_4 = new QLabel(ButtomSetting);
        label_4->setObjectName(QString::fromUtf8("label_4"));

        gridLayout->addWidget(label_4, 1, 0, 1, 1);

        CutSilder = new QSlider(ButtomSetting);
        CutSilder->setObjectName(QString::fromUtf8("CutSilder"));
        CutSilder->setMaximum(kSliderMax);
        CutSilder->setOrientation(Qt::Horizontal);

        gridLayout->addWidget(CutSilder, 1, 1, 1, 1);

        CutNum = new QLCDNumber(ButtomSetting);
        CutNum->setObjectName(QString::fromUtf8("CutNum"));
        CutNum->setStyleSheet(
            QString::fromUtf8("background-color: rgb(76, 76, 76);\n"
                              "color: rgb(0, 255, 0);"));

        gridLayout->addWidget(CutNum, 1, 3, 1, 1);

        gridLayout_2->addLayout(gridLayout, 2, 0, 1, 2);

        m_AutoMixCombox = new QCheckBox(ButtomSetting);
        m_AutoMixCombox->setObjectName(QString::fromUtf8("m_AutoMixCombox"));

        horizontalLayout_seams = new QHBoxLayout();
        horizontalLayout_seams->setObjectName(QString::fromUtf8("horizontalLayout_seams"));
        horizontalLayout_seams->addWidget(m_AutoMixCombox);

        label_seams = new QLabel(ButtomSetting);
        label_seams->setObjectName(QString::fromUtf8("label_seams"));

        horizontalLayout_seams->addWidget(label_seams);

        m_SeamModeCombo = new QComboBox(ButtomSetting);
        m_SeamModeCombo->addItem(QString());
        m_SeamModeCombo->addItem(QString());
        m_SeamModeCombo->setObjectName(QString::fromUtf8("m_SeamModeCombo"));

        horizontalLayout_seams->addWidget(m_SeamModeCombo);

        gridLayout_2->addLayout(horizontalLayout_seams, 1, 0, 1, 1);

        m_DeviceViewCombox = new QCheckBox(ButtomSetting);
        m_DeviceViewCombox->setObjectName(QString::fromUtf8("m_DeviceViewCombox"));

        gridLayout_2->addWidget(m_DeviceViewCombox, 1, 1, 1, 1);

        gridLayout_2->setColumnStretch(1, 1);

        retranslateUi(ButtomSetting);

        QMetaObject::connectSlotsByName(ButtomSetting);
    }

    void retranslateUi(QWidget* ButtomSetting) {
        ButtomSetting->setWindowTitle(
            QCoreApplication::translate("ButtomSetting", "Form", nullptr));
        label->setText(QCoreApplication::translate("ButtomSetting", "混合：", nullptr));
        label_4->setText(QCoreApplication::translate("ButtomSetting", "裁剪", nullptr));
        m_AutoMixCombox->setText(
            QCoreApplication::translate("ButtomSetting", "自动裁剪混合", nullptr));
        label_seams->setText(QCoreApplication::translate("ButtomSetting", "接缝：", nullptr));
        m_SeamModeCombo->setItemText(
            0, QCoreApplication::translate("ButtomSetting", "重叠中间", nullptr));
        m_SeamModeCombo->setItemText(
            1, QCoreApplication::translate("ButtomSetting", "避开差异", nullptr));
        m_DeviceViewCombox->setText(
            QCoreApplication::translate("ButtomSetting", "设备视图", nullptr));
    }
};

namespace Ui {
class ButtomSetting : public Ui_ButtomSetting {};
}  // namespace Ui
