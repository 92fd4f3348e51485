#include "qttranslations.h"

#include "langsupp.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>
#include <vector>

bool installQtTranslations(const QString &language)
{
    static std::vector<std::unique_ptr<QTranslator>> installed;
    for (const auto &t : installed)
        QCoreApplication::removeTranslator(t.get());
    installed.clear();
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    // Qt's own dialogs and boxes, then the help window's search and index
    // (the help module ships its texts apart from the base).
    bool base = false;
    for (const QLatin1String catalogue : {QLatin1String("qtbase_"), QLatin1String("qt_help_")}) {
        auto translator = std::make_unique<QTranslator>();
        const QString name = catalogue + language.toLower();
        if (!translator->load(name, folder)) {
            qCWarning(lcLang) << "no Qt translation" << name << "in" << folder;
            continue;
        }
        base = base || catalogue == QLatin1String("qtbase_");
        QCoreApplication::installTranslator(translator.get());
        installed.push_back(std::move(translator));
    }
    return base;
}
