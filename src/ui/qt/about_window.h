// "Info": the program's name and version.
#pragma once

#include <QDialog>

namespace vn {

class AboutWindow : public QDialog {
    Q_OBJECT
public:
    explicit AboutWindow(QWidget* parent = nullptr);
};

}  // namespace vn
