// The right panel's form, built in code the way Qt's form compiler builds it:
// a frame holding a scroll area whose contents stack the camera panels.
#pragma once

#include <QCoreApplication>
#include <QFrame>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QWidget>

class Ui_RightSetting {
public:
    QVBoxLayout* verticalLayout;
    QScrollArea* scrollArea;
    QWidget* scrollAreaWidgetContents;
    QVBoxLayout* verticalLayout1;

    void setupUi(QFrame* RightSetting) {
        if (RightSetting->objectName().isEmpty())
            RightSetting->setObjectName(QString::fromUtf8("RightSetting"));
        RightSetting->resize(95, 498);
        RightSetting->setFrameShape(QFrame::StyledPanel);
        RightSetting->setFrameShadow(QFrame::Raised);
        verticalLayout = new QVBoxLayout(RightSetting);
        verticalLayout->setSpacing(0);
        verticalLayout->setObjectName(QString::fromUtf8("verticalLayout"));
        verticalLayout->setContentsMargins(0, 0, 0, 0);
        scrollArea = new QScrollArea(RightSetting);
        scrollArea->setObjectName(QString::fromUtf8("scrollArea"));
        scrollArea->setWidgetResizable(true);
        scrollArea->setAlignment(Qt::AlignLeading | Qt::AlignLeft | Qt::AlignVCenter);
        scrollAreaWidgetContents = new QWidget();
        scrollAreaWidgetContents->setObjectName(QString::fromUtf8("scrollAreaWidgetContents"));
        scrollAreaWidgetContents->setGeometry(QRect(0, 0, 91, 494));
        verticalLayout1 = new QVBoxLayout(scrollAreaWidgetContents);
        verticalLayout1->setSpacing(6);
        verticalLayout1->setObjectName(QString::fromUtf8("verticalLayout1"));
        verticalLayout1->setContentsMargins(6, 6, 6, 6);
        scrollArea->setWidget(scrollAreaWidgetContents);

        verticalLayout->addWidget(scrollArea);

        retranslateUi(RightSetting);

        QMetaObject::connectSlotsByName(RightSetting);
    }

    void retranslateUi(QFrame* RightSetting) {
        RightSetting->setWindowTitle(QCoreApplication::translate("RightSetting", "Frame", nullptr));
    }
};

namespace Ui {
class RightSetting : public Ui_RightSetting {};
}  // namespace Ui
