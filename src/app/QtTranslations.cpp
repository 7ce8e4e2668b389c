#include "app/QtTranslations.h"

#include "app/Appli.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace priomat {

namespace {

std::unique_ptr<QTranslator> &installed()
{
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

} // namespace

bool InstallQtTranslations(bool japanese)
{
    if (installed()) {
        QCoreApplication::removeTranslator(installed().get());
        installed().reset();
    }
    if (!japanese)
        return true; // Qt's built-in texts are English.

    auto translator = std::make_unique<QTranslator>();
    // Qt's own folder first; a portable folder may carry them beside the program.
    QStringList folders{QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
    if (Appli)
        folders << Appli->ProgramFolder + QStringLiteral("translations");
    for (const QString &folder : folders) {
        if (translator->load(QStringLiteral("qtbase_ja"), folder)) {
            QCoreApplication::installTranslator(translator.get());
            installed() = std::move(translator);
            return true;
        }
    }
    return false;
}

} // namespace priomat
