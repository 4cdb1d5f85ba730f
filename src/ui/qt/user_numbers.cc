#include "ui/qt/user_numbers.h"

#include <QLocale>
#include <cmath>

#include "model/number_format.h"

namespace vn {

char userDecimalSeparator() {
    const QString point = QLocale().decimalPoint();
    return point.size() == 1 && point[0].unicode() < 0x80 ? static_cast<char>(point[0].unicode())
                                                          : '.';
}

QString userFixed(double value, int precision, int decimals) {
    return QString::fromStdString(fmt::fixed(value, precision, decimals, userDecimalSeparator()));
}

QString userShortest(double value) {
    return QString::fromStdString(fmt::shortest(value, userDecimalSeparator()));
}

bool parseUserNumber(const QString& text, double& value) {
    const std::string s = text.toStdString();
    auto parsed = fmt::parseNumber(s, userDecimalSeparator());
    if (!parsed) parsed = fmt::parseNumber(s, '.');
    if (!parsed) return false;
    value = *parsed;
    return true;
}

void markInvalid(QWidget* field, bool invalid) {
    field->setProperty("invalid", invalid);
    field->setStyleSheet(invalid ? "background-color: #ffc8c8;" : QString());
    field->setToolTip(invalid ? QStringLiteral("Keine Zahl: der vorige Wert gilt weiter.")
                              : QString());
}

bool readNumberField(QLineEdit* field, double& value) {
    double parsed = 0.0;
    const bool ok = parseUserNumber(field->text(), parsed) && std::isfinite(parsed);
    if (ok) value = parsed;
    markInvalid(field, !ok);
    return ok;
}

bool readIntegerField(QLineEdit* field, int& value, int minimum, int maximum) {
    double parsed = 0.0;
    const bool ok = parseUserNumber(field->text(), parsed) && parsed == std::floor(parsed) &&
                    parsed >= minimum && parsed <= maximum;
    if (ok) value = static_cast<int>(parsed);
    markInvalid(field, !ok);
    return ok;
}

}  // namespace vn
