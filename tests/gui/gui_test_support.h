// Helpers shared by the GUI tests.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace vn {

// Answers the next message box with `button` once it appears; remembers its text.
class MessageBoxAnswer : public QObject {
public:
    explicit MessageBoxAnswer(QMessageBox::StandardButton button) : button_(button) {
        QTimer::singleShot(0, this, &MessageBoxAnswer::answer);
    }
    QString text;
    bool seen = false;

private:
    void answer() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            if (++tries_ < 200) QTimer::singleShot(10, this, &MessageBoxAnswer::answer);
            return;
        }
        seen = true;
        text = box->text();
        if (QAbstractButton* b = box->button(button_))
            b->click();
        else
            box->close();
    }
    QMessageBox::StandardButton button_;
    int tries_ = 0;
};

}  // namespace vn
