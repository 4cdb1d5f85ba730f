// Numbers in the user interface: shown with the user's decimal separator and
// read back with it. A field that does not hold a number keeps the previous
// value and is marked until it holds one again.
#pragma once

#include <QLineEdit>
#include <QString>

namespace vn {

// The decimal separator of the user's locale ('.' where it is not ASCII).
char userDecimalSeparator();

// Fixed-point text with the user's separator (precision, decimals).
QString userFixed(double value, int precision, int decimals);
// The shortest text that reads back as the value, with the user's separator.
QString userShortest(double value);

// Reads a number written with the user's separator (a '.' is accepted too).
bool parseUserNumber(const QString& text, double& value);

// Reads the field into `value`. A field that is not a number leaves `value`
// as it was, marks the field and returns false; a good one clears the mark.
bool readNumberField(QLineEdit* field, double& value);
bool readIntegerField(QLineEdit* field, int& value, int minimum, int maximum);

// Marks a field whose text could not be used.
void markInvalid(QWidget* field, bool invalid);

}  // namespace vn
