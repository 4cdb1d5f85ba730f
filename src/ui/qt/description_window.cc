#include "ui/qt/description_window.h"

#include <QVBoxLayout>

namespace vn {

DescriptionWindow::DescriptionWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Beschreibung"));
    setObjectName(QStringLiteral("TDescrForm"));
    DescrMemo = new QPlainTextEdit(this);
    DescrMemo->setObjectName(QStringLiteral("DescrMemo"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DescrMemo);
    resize(420, 260);
    connect(DescrMemo, &QPlainTextEdit::textChanged, this, [this] {
        if (!loading_) emit edited();
    });
}

void DescriptionWindow::load(const std::vector<std::string>& lines) {
    QStringList text;
    for (const std::string& line : lines) text << QString::fromStdString(line);
    loading_ = true;
    DescrMemo->setPlainText(text.join(QLatin1Char('\n')));
    loading_ = false;
}

std::vector<std::string> DescriptionWindow::lines() const {
    std::vector<std::string> out;
    const QString text = DescrMemo->toPlainText();
    if (text.isEmpty()) return out;
    for (const QString& line : text.split(QLatin1Char('\n'))) out.push_back(line.toStdString());
    return out;
}

}  // namespace vn
