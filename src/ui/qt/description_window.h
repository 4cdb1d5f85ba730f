// "Beschreibung": the free description of the system, saved at the end of the
// system file.
#pragma once

#include <QPlainTextEdit>
#include <QWidget>
#include <functional>

#include "model/system_model.h"

namespace vn {

class DescriptionWindow : public QWidget {
    Q_OBJECT
public:
    explicit DescriptionWindow(QWidget* parent = nullptr);

    // Shows the lines of a system.
    void load(const std::vector<std::string>& lines);
    // The memo's lines.
    std::vector<std::string> lines() const;

    QPlainTextEdit* DescrMemo;

signals:
    // The user changed the text.
    void edited();

private:
    bool loading_ = false;
};

}  // namespace vn
