#include "ui/qt/translations.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace vn {

bool installGermanTranslations(QCoreApplication& app) {
    // The interface is German whatever the user's locale; only the decimal
    // separator follows the locale.
    auto* translator = new QTranslator(&app);
    const bool loaded =
        translator->load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (!loaded || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}

}  // namespace vn
