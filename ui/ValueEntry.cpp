#include "ValueEntry.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLCDNumber>
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QSlider>
#include <QStatusBar>
#include <QToolTip>

namespace {

// Applies `text` through `slider` when it is an integer in range; otherwise
// says why near `box`. True when applied.
bool applyTyped(QWidget* box, QSlider* slider, const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (ok && value >= slider->minimum() && value <= slider->maximum()) {
        slider->setValue(value);
        return true;
    }
    const QString why =
        QCoreApplication::translate("ValueEntry", "“%1”无效：请输入 %2 到 %3 之间的整数")
            .arg(text.trimmed())
            .arg(slider->minimum())
            .arg(slider->maximum());
    if (auto* window = qobject_cast<QMainWindow*>(box->window()))
        window->statusBar()->showMessage(why, 10000);
    QToolTip::showText(box->mapToGlobal(QPoint(0, box->height())), why, box);
    return false;
}

// Opens, runs and closes the editor over a display.
class DisplayEditor : public QObject {
public:
    DisplayEditor(QLCDNumber* display_, QSlider* slider_)
        : QObject(display_), display(display_), slider(slider_) {
        display->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == display && event->type() == QEvent::MouseButtonDblClick) {
            open();
            return true;
        }
        if (editor && watched == editor) {
            if (event->type() == QEvent::KeyPress &&
                static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
                close();
                return true;
            }
            if (event->type() == QEvent::FocusOut) close();
        }
        return false;
    }

private:
    void open() {
        if (editor) return;
        editor = new QLineEdit(display);
        editor->setObjectName(display->objectName() + "_editor");
        editor->setGeometry(display->rect());
        editor->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        editor->setText(QString::number(slider->value()));
        editor->selectAll();
        editor->installEventFilter(this);
        connect(editor, &QLineEdit::returnPressed, this, [this] {
            const QString text = editor->text();
            close();
            applyTyped(display, slider, text);
        });
        editor->show();
        editor->setFocus();
    }
    void close() {
        if (!editor) return;
        QLineEdit* closing = editor;
        editor = nullptr;
        closing->removeEventFilter(this);
        closing->hide();
        closing->deleteLater();
    }

    QLCDNumber* display;
    QSlider* slider;
    QPointer<QLineEdit> editor;
};

}  // namespace

void acceptTypedValues(QLineEdit* edit, QSlider* slider) {
    QObject::connect(edit, &QLineEdit::returnPressed, edit, [edit, slider] {
        applyTyped(edit, slider, edit->text());
        edit->setText(QString::number(slider->value()));
    });
    QObject::connect(edit, &QLineEdit::editingFinished, edit,
                     [edit, slider] { edit->setText(QString::number(slider->value())); });
}

void acceptTypedValues(QLCDNumber* display, QSlider* slider) {
    new DisplayEditor(display, slider);
}
