// Fills the result window with the evaluation of a document and saves a screenshot of each of
// its pages. Run by tools/result-screenshots.sh.
#include "app/Appli.h"
#include "document/DocumentFile.h"
#include "model/Evaluation.h"
#include "app/Frame.h"
#include "ScreenSession.h"
#include "app/Placement.h"
#include "model/Priorities.h"
#include "ui/windows/ResultForm.h"

#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QTabWidget>
#include <QTest>

#include <cstdio>

using namespace priomat;
using priomat::tools::shoot;

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    if (argc < 4) {
        std::fputs("usage: priomat-resultshots DOCUMENT OUTPUT-PREFIX /ENGLISH|/JAPANESE\n", stderr);
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const QString prefix = QString::fromLocal8Bit(argv[2]);
    tools::ScreenSession session(application);

    ResultLists lists;
    try {
        DataFileRead read = ReadDataFile(path);
        if (read.status != ReadStatus::Read) {
            std::fprintf(stderr, "not a data file: %s\n", qPrintable(path));
            return 1;
        }
        Document document;
        InstallParsedDocument(document, std::move(read.parsed), [] { return false; });
        UpdateSubtreeWeights(document.RequirementComparisons, document.tree.root());
        Recalculate(document, lists, {.force = true, .automatic = true, .loading = false});
    } catch (const std::exception &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }

    {
        TResultForm form;
        form.setResults(lists);
        form.show();
        if (!QTest::qWaitForWindowExposed(&form))
            return 1;
        shoot(prefix + QStringLiteral("-default-size.png"));
        form.setGeometry(40, 40, 560, 460);
        const QList<QPair<QWidget *, QString>> pages{{form.RequirementsPage, QStringLiteral("requirements")},
                                                     {form.AlternativesPage, QStringLiteral("alternatives")},
                                                     {form.ChartsPage, QStringLiteral("charts")}};
        for (const auto &[page, name] : pages) {
            form.PageControl1->setCurrentWidget(page);
            shoot(prefix + u'-' + name + QStringLiteral(".png"));
        }
    }
    return 0;
}
