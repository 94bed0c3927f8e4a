// One camera panel's form, built in code the way Qt's form compiler builds it:
// object names first, texts in a separate translation step, slots by name.
#pragma once

#include <QCheckBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLCDNumber>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <QWidget>

#include "geometry/SliderRange.h"

class Ui_CameraSetting {
public:
    QFormLayout* formLayout;
    QLabel* label_7;
    QGroupBox* Cam0;
    QVBoxLayout* verticalLayout;
    QHBoxLayout* alpha_line;
    QLabel* label_6;
    QCheckBox* alpha_checkBox;
    QSlider* alpha_slider;
    QLineEdit* alpha_lineEdit;
    QHBoxLayout* top_line;
    QCheckBox* gaoliang_checkBox;
    QCheckBox* hide_CheckBox;
    QLCDNumber* top_index_lcdNumber;
    QHBoxLayout* horizontalLayout;
    QPushButton* top_Button;
    QPushButton* buttom_Button;
    QHBoxLayout* px_line;
    QLabel* label_8;
    QSlider* dirction_sliderL;
    QLineEdit* dirL_lineEdit;
    QHBoxLayout* px_line_2;
    QLabel* label_9;
    QSlider* direction_sliderR;
    QLineEdit* dirR_lineEdit;

    void setupUi(QWidget* CameraSetting) {
        if (CameraSetting->objectName().isEmpty())
            CameraSetting->setObjectName(QString::fromUtf8("CameraSetting"));
        CameraSetting->resize(423, 211);
        CameraSetting->setMinimumSize(QSize(0, 0));
        formLayout = new QFormLayout(CameraSetting);
        formLayout->setObjectName(QString::fromUtf8("formLayout"));
        label_7 = new QLabel(CameraSetting);
        label_7->setObjectName(QString::fromUtf8("label_7"));

        formLayout->setWidget(0, QFormLayout::LabelRole, label_7);

        Cam0 = new QGroupBox(CameraSetting);
        Cam0->setObjectName(QString::fromUtf8("Cam0"));
        Cam0->setMaximumSize(QSize(440, 16777215));
        verticalLayout = new QVBoxLayout(Cam0);
        verticalLayout->setSpacing(0);
        verticalLayout->setObjectName(QString::fromUtf8("verticalLayout"));
        verticalLayout->setContentsMargins(0, 0, 0, 0);
        alpha_line = new QHBoxLayout();
        alpha_line->setSpacing(10);
        alpha_line->setObjectName(QString::fromUtf8("alpha_line"));
        label_6 = new QLabel(Cam0);
        label_6->setObjectName(QString::fromUtf8("label_6"));

        alpha_line->addWidget(label_6);

        alpha_checkBox = new QCheckBox(Cam0);
        alpha_checkBox->setObjectName(QString::fromUtf8("alpha_checkBox"));

        alpha_line->addWidget(alpha_checkBox);

        alpha_slider = new QSlider(Cam0);
        alpha_slider->setObjectName(QString::fromUtf8("alpha_slider"));
        alpha_slider->setMinimumSize(QSize(0, 0));
        alpha_slider->setMaximum(255);
        alpha_slider->setOrientation(Qt::Horizontal);

        alpha_line->addWidget(alpha_slider);

        alpha_lineEdit = new QLineEdit(Cam0);
        alpha_lineEdit->setObjectName(QString::fromUtf8("alpha_lineEdit"));
        alpha_lineEdit->setMaximumSize(QSize(90, 16777215));

        alpha_line->addWidget(alpha_lineEdit);

        verticalLayout->addLayout(alpha_line);

        top_line = new QHBoxLayout();
        top_line->setSpacing(10);
        top_line->setObjectName(QString::fromUtf8("top_line"));
        gaoliang_checkBox = new QCheckBox(Cam0);
        gaoliang_checkBox->setObjectName(QString::fromUtf8("gaoliang_checkBox"));

        top_line->addWidget(gaoliang_checkBox);

        hide_CheckBox = new QCheckBox(Cam0);
        hide_CheckBox->setObjectName(QString::fromUtf8("hide_CheckBox"));

        top_line->addWidget(hide_CheckBox);

        top_index_lcdNumber = new QLCDNumber(Cam0);
        top_index_lcdNumber->setObjectName(QString::fromUtf8("top_index_lcdNumber"));
        top_index_lcdNumber->setMinimumSize(QSize(80, 0));
        top_index_lcdNumber->setStyleSheet(
            QString::fromUtf8("background-color: rgb(76, 76, 76);\n"
                              "color: rgb(0, 255, 0);"));
        top_index_lcdNumber->setSmallDecimalPoint(false);
        top_index_lcdNumber->setSegmentStyle(QLCDNumber::Flat);

        top_line->addWidget(top_index_lcdNumber);

        verticalLayout->addLayout(top_line);

        horizontalLayout = new QHBoxLayout();
        horizontalLayout->setObjectName(QString::fromUtf8("horizontalLayout"));
        top_Button = new QPushButton(Cam0);
        top_Button->setObjectName(QString::fromUtf8("top_Button"));

        horizontalLayout->addWidget(top_Button);

        buttom_Button = new QPushButton(Cam0);
        buttom_Button->setObjectName(QString::fromUtf8("buttom_Button"));

        horizontalLayout->addWidget(buttom_Button);

        verticalLayout->addLayout(horizontalLayout);

        px_line = new QHBoxLayout();
        px_line->setSpacing(10);
        px_line->setObjectName(QString::fromUtf8("px_line"));
        label_8 = new QLabel(Cam0);
        label_8->setObjectName(QString::fromUtf8("label_8"));

        px_line->addWidget(label_8);

        dirction_sliderL = new QSlider(Cam0);
        dirction_sliderL->setObjectName(QString::fromUtf8("dirction_sliderL"));
        dirction_sliderL->setMinimumSize(QSize(0, 0));
        dirction_sliderL->setMaximum(kSliderMax);
        dirction_sliderL->setOrientation(Qt::Horizontal);

        px_line->addWidget(dirction_sliderL);

        dirL_lineEdit = new QLineEdit(Cam0);
        dirL_lineEdit->setObjectName(QString::fromUtf8("dirL_lineEdit"));
        dirL_lineEdit->setMaximumSize(QSize(90, 16777215));

        px_line->addWidget(dirL_lineEdit);

        verticalLayout->addLayout(px_line);

        px_line_2 = new QHBoxLayout();
        px_line_2->setSpacing(10);
        px_line_2->setObjectName(QString::fromUtf8("px_line_2"));
        label_9 = new QLabel(Cam0);
        label_9->setObjectName(QString::fromUtf8("label_9"));

        px_line_2->addWidget(label_9);

        direction_sliderR = new QSlider(Cam0);
        direction_sliderR->setObjectName(QString::fromUtf8("direction_sliderR"));
        direction_sliderR->setMinimumSize(QSize(0, 0));
        direction_sliderR->setMaximum(kSliderMax);
        direction_sliderR->setOrientation(Qt::Horizontal);

        px_line_2->addWidget(direction_sliderR);

        dirR_lineEdit = new QLineEdit(Cam0);
        dirR_lineEdit->setObjectName(QString::fromUtf8("dirR_lineEdit"));
        dirR_lineEdit->setMaximumSize(QSize(90, 16777215));

        px_line_2->addWidget(dirR_lineEdit);

        verticalLayout->addLayout(px_line_2);

        formLayout->setWidget(1, QFormLayout::SpanningRole, Cam0);

        retranslateUi(CameraSetting);

        QMetaObject::connectSlotsByName(CameraSetting);
    }

    void retranslateUi(QWidget* CameraSetting) {
        CameraSetting->setWindowTitle(
            QCoreApplication::translate("CameraSetting", "Form", nullptr));
        label_7->setText(QCoreApplication::translate(
            "CameraSetting", "----------------------------------------------------", nullptr));
        Cam0->setTitle(QCoreApplication::translate("CameraSetting", "Cam", nullptr));
        label_6->setText(QCoreApplication::translate("CameraSetting", "透明:", nullptr));
        alpha_checkBox->setText(QCoreApplication::translate("CameraSetting", "同步所有", nullptr));
        gaoliang_checkBox->setText(
            QCoreApplication::translate("CameraSetting", "高亮显示", nullptr));
        hide_CheckBox->setText(QCoreApplication::translate("CameraSetting", "隐藏", nullptr));
        top_Button->setText(QCoreApplication::translate("CameraSetting", "置顶", nullptr));
        buttom_Button->setText(QCoreApplication::translate("CameraSetting", "置底", nullptr));
        label_8->setText(QCoreApplication::translate("CameraSetting", "direction(l):", nullptr));
        label_9->setText(QCoreApplication::translate("CameraSetting", "direction(r):", nullptr));
    }
};

namespace Ui {
class CameraSetting : public Ui_CameraSetting {};
}  // namespace Ui
