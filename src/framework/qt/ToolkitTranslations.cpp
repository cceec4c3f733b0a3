#include "framework/qt/ToolkitTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

#include "framework/Locale.h"

namespace {
QTranslator* g_translator = nullptr;
}  // namespace

bool LoadToolkitTranslations() {
    if (g_translator) {
        QCoreApplication::removeTranslator(g_translator);
        delete g_translator;
        g_translator = nullptr;
    }
    if (!IsKoreanUserInterface()) {
        // English texts: keep the system's formats where they are English
        // too, so that a British system keeps its dates.
        const QLocale system = QLocale::system();
        QLocale::setDefault(system.language() == QLocale::English
                                ? system
                                : QLocale(QLocale::English, QLocale::UnitedStates));
        return true;
    }
    const QLocale korean(QLocale::Korean, QLocale::SouthKorea);
    QLocale::setDefault(korean);
    // Debian's qt6-translations-l10n; qtbase holds the texts of the widgets.
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(korean, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        return false;
    }
    g_translator = translator.release();
    QCoreApplication::installTranslator(g_translator);
    return true;
}
