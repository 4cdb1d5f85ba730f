// German texts for Qt's own parts of the interface: the file dialogs, the
// buttons of message boxes, the context menus of edit fields.
#pragma once

#include <QCoreApplication>

namespace vn {

// Installs Qt's German translations from the Qt installation into `app`.
// Returns false when they are not installed; Qt then speaks English.
bool installGermanTranslations(QCoreApplication& app);

}  // namespace vn
