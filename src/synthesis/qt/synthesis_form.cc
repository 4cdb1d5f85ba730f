#include "synthesis/qt/synthesis_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QHBoxLayout>
#include <QScreen>

#include "ui/qt/user_numbers.h"

namespace vn {

SynthesisForm::SynthesisForm(SynthesisDialog kind, const QString& caption, Workspace& ws,
                             SynthesisState& state, QWidget* parent)
    : QDialog(parent), kind_(kind), ws_(ws), state_(state) {
    setWindowTitle(caption);
    setModal(false);
    layout_ = new QVBoxLayout(this);
    layout_->setSizeConstraint(QLayout::SetFixedSize);
}

QLineEdit* SynthesisForm::addNumber(QFormLayout* form, const QString& label, double* value,
                                    int decimals, int precision) {
    auto* edit = new QLineEdit(this);
    edit->setAlignment(Qt::AlignRight);
    edit->setMaximumWidth(110);
    form->addRow(label, edit);
    fields_.push_back({edit, value, precision, decimals, label});
    showValue(edit);
    return edit;
}

void SynthesisForm::showValue(QLineEdit* edit) {
    for (const NumberField& f : fields_) {
        if (f.edit != edit) continue;
        edit->setText(userFixed(*f.value, f.precision, f.decimals));
        markInvalid(edit, false);
    }
}

void SynthesisForm::addCommonInputs(QFormLayout* form, CommonInputs& in, int focalDecimals,
                                    int fNumberDecimals, int fieldDecimals) {
    BrennEdit = addNumber(form, QStringLiteral("f/mm"), &in.focalLength, focalDecimals);
    OffEdit = addNumber(form, QStringLiteral("Blende"), &in.fNumber, fNumberDecimals);
    FeldEdit = addNumber(form, QStringLiteral("Feld/°"), &in.fullField, fieldDecimals);
    MassEdit = addNumber(form, QStringLiteral("Massstab"), &in.scale, 0);
}

QHBoxLayout* SynthesisForm::addButtons(bool withClose, bool withGlass) {
    auto* row = new QHBoxLayout;
    if (withGlass) {
        GlasButton = new QPushButton(QStringLiteral("Auswahl Glas"), this);
        row->addWidget(GlasButton);
    }
    row->addStretch();
    okBut = new QPushButton(QStringLiteral("ok"), this);
    okBut->setDefault(true);
    CancBut = new QPushButton(QStringLiteral("Cancel"), this);
    row->addWidget(okBut);
    row->addWidget(CancBut);
    if (withClose) {
        CloseButton = new QPushButton(QStringLiteral("Schließen"), this);
        row->addWidget(CloseButton);
        connect(CloseButton, &QPushButton::clicked, this, &SynthesisForm::CloseButtonClick);
    }
    connect(okBut, &QPushButton::clicked, this, &SynthesisForm::okButClick);
    connect(CancBut, &QPushButton::clicked, this, &SynthesisForm::CancButClick);
    return row;
}

void SynthesisForm::showMessage(const QString& text) {
    if (!messageField_) return;
    messageField_->setText(text);
    messageField_->setCursorPosition(0);
    messageField_->setToolTip(text);
}

void SynthesisForm::okButClick() {
    // Every edit is read before anything is written: a field that is not a
    // number stops "ok" with the field marked and named, and the system stays
    // as it was.
    std::vector<double> read(fields_.size());
    QString bad;
    for (size_t i = 0; i < fields_.size(); ++i) {
        const NumberField& f = fields_[i];
        if (!f.edit->isEnabled()) {
            read[i] = *f.value;
            continue;
        }
        const bool ok = parseUserNumber(f.edit->text(), read[i]);
        markInvalid(f.edit, !ok);
        if (!ok && bad.isEmpty()) bad = f.label;
    }
    if (!bad.isEmpty()) {
        showMessage(QStringLiteral("\"%1\" ist keine Zahl; nichts wurde geändert.").arg(bad));
        return;
    }
    for (size_t i = 0; i < fields_.size(); ++i) *fields_[i].value = read[i];
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const SynthesisResult result = build();
    QApplication::restoreOverrideCursor();
    showMessage(QString::fromStdString(result.message));
    if (!result.wrote) return;
    written(result);
    emit systemWritten();
}

void SynthesisForm::FormActivate() {
    FormPaint();
}

void SynthesisForm::CancButClick() {
    close();
}

void SynthesisForm::CloseButtonClick() {
    close();
}

void SynthesisForm::FormClose() {
    closeSynthesisDialog(state_, kind_);
}

void SynthesisForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
    QDialog::changeEvent(event);
}

void SynthesisForm::closeEvent(QCloseEvent* event) {
    QDialog::closeEvent(event);
}

void SynthesisForm::hideEvent(QHideEvent* event) {
    FormClose();
    QDialog::hideEvent(event);
}

void SynthesisForm::placeAtRightEdge() {
    adjustSize();
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s) return;
    const QRect area = s->availableGeometry();
    const QSize frame = frameGeometry().size().expandedTo(size());
    // At the right edge of the screen and centred in its height, kept on it.
    const int left = std::max(area.left(), area.right() + 1 - frame.width());
    const int top = std::max(area.top(), area.top() + (area.height() - frame.height()) / 2);
    move(left, top);
}

QLineEdit* shownOnly(QWidget* parent, int width) {
    auto* e = new QLineEdit(parent);
    e->setReadOnly(true);
    e->setMinimumWidth(width);
    return e;
}

void GlassEdits::show(const SynthesisGlassTable& table, int slot) const {
    const GlassFields f = glassFields(table, slot, userDecimalSeparator());
    if (name) {
        name->setText(QString::fromStdString(f.name));
        name->setCursorPosition(0);
    }
    if (ne) ne->setText(QString::fromStdString(f.index));
    if (ve) ve->setText(QString::fromStdString(f.abbe));
}

}  // namespace vn
