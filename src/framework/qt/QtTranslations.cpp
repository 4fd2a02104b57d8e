#include "framework/qt/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace slabcal {
namespace {

// The dialog's own texts are Chinese; a system that names no language of its own gets its buttons in it.
constexpr const char* DialogLanguage = "zh_CN";

bool Loads(QTranslator& translator, const QLocale& locale) {
    return translator.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

} // namespace

QTranslator* InstallQtTranslations() {
    auto* translator = new QTranslator(QCoreApplication::instance());
    const QLocale system;
    // The C locale (a service, a board without LANG) names no language: Qt would answer it in English.
    const bool systemNamesOne = system.language() != QLocale::C && system.language() != QLocale::AnyLanguage;
    if ((systemNamesOne && Loads(*translator, system)) ||
        Loads(*translator, QLocale(QLatin1String(DialogLanguage)))) {
        QCoreApplication::installTranslator(translator);
        return translator;
    }
    delete translator;
    return nullptr;
}

} // namespace slabcal
