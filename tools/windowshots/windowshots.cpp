// Starts the program's windows as main() does, with no stored settings, and saves screenshots:
// the main window at first start and in each consistency state (OK, check, inconsistent), and
// every auxiliary window as the Window and Tool menus open it. Run by tools/window-screenshots.sh.
#include "ScreenSession.h"
#include "document/RequirementTreeModel.h"
#include "ui/main/BaseForm.h"
#include "ui/main/NamedChild.h"
#include "ui/windows/AdvisorForm.h"
#include "ui/windows/AlternativesForm.h"
#include "ui/windows/CompletionForm.h"
#include "ui/windows/ResultForm.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QTabWidget>
#include <QTest>
#include <QUndoStack>

#include <cstdio>

using namespace priomat;
using priomat::tools::shoot;

namespace {

// Enters, for row 2 / column 3 of the shown matrix, the first scale value whose index lies
// in (low, high]; false when none does.
bool reachIndex(TBaseForm &form, double low, double high)
{
    DocumentSession &session = form.session();
    for (const char *value : {"1/9", "1/8", "1/7", "1/6", "1/5", "1/4", "1/3", "1/2", "1", "2", "3", "4", "5", "6", "7", "8", "9"}) {
        const QString text = QString::fromLatin1(value);
        const QString mirror = text.startsWith(u'1') && text.size() > 1 ? text.mid(2) : text == u"1" ? text : QStringLiteral("1/") + text;
        session.enterValue({3, 2, text, mirror});
        const double ci = session.shownMatrix().consistencyIndex;
        if (session.shownMatrix().computed && ci > low && ci <= high)
            return true;
        session.undoStack()->undo();
    }
    return false;
}

// The advisor and the completion photographed; the completion is accepted.
struct ShootingDialogs : DialogRunner
{
    QString prefix;
    int runAdvisor(TAdvisorForm &dialog) override
    {
        dialog.show();
        if (!QTest::qWaitForWindowExposed(&dialog))
            qWarning("dialog not exposed");
        shoot(prefix + QStringLiteral("-advisor.png"));
        return 0;
    }
    int runCompletion(TCompletionForm &dialog) override
    {
        dialog.show();
        if (!QTest::qWaitForWindowExposed(&dialog))
            qWarning("dialog not exposed");
        shoot(prefix + QStringLiteral("-completion.png"));
        return int(QDialog::Accepted);
    }
};

void invoke(QObject *window, const char *handler)
{
    QMetaObject::invokeMethod(window, handler, Qt::DirectConnection);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    if (argc < 5) {
        std::fputs("usage: priomat-windowshots DOCUMENT PARTIAL-DOCUMENT OUTPUT-PREFIX /ENGLISH|/JAPANESE\n", stderr);
        return 2;
    }
    const QString document = QString::fromLocal8Bit(argv[1]);
    const QString partial = QString::fromLocal8Bit(argv[2]);
    const QString prefix = QString::fromLocal8Bit(argv[3]);
    tools::ScreenSession screen(application);

    ShootingDialogs dialogs;
    dialogs.prefix = prefix;
    auto *form = new TBaseForm();
    form->setDialogRunner(&dialogs);
    auto *alternatives = new TAlternativesForm();
    auto *result = new TResultForm();
    form->setAuxiliaryWindows(alternatives, result);
    form->show();
    if (!QTest::qWaitForWindowExposed(form))
        return 1;
    form->LoadDocument(document);
    shoot(prefix + QStringLiteral("-main-first.png"));

    // The root's matrix through the three states, colours on.
    named<QAction>(*form, "MenuColor")->trigger();
    shoot(prefix + QStringLiteral("-main-ok.png"));
    if (reachIndex(*form, 0.1, 0.15))
        shoot(prefix + QStringLiteral("-main-check.png"));
    form->session().undoStack()->undo();
    if (reachIndex(*form, 0.15, 1e9))
        shoot(prefix + QStringLiteral("-main-inconsistent.png"));

    const char *windowItems[] = {"MenuAlternatives", "MenuResult", "MenuHistory"};
    const QString windowNames[] = {QStringLiteral("alternatives"), QStringLiteral("result"), QStringLiteral("history")};
    for (int i = 0; i < 3; ++i) {
        invoke(form, "MenuWindowClick");
        named<QAction>(*form, windowItems[i])->trigger();
        shoot(prefix + u'-' + windowNames[i] + QStringLiteral(".png"));
        if (i == 1) {
            for (int page = 1; page < result->PageControl1->count(); ++page) {
                result->PageControl1->setCurrentIndex(page);
                shoot(prefix + QStringLiteral("-result-page%1.png").arg(page + 1));
            }
        }
        invoke(form, "MenuWindowClick");
        named<QAction>(*form, windowItems[i])->trigger(); // hidden again
    }

    invoke(form, "MenuAdvisorClick");

    form->session().undoStack()->setClean();
    form->LoadDocument(partial);
    shoot(prefix + QStringLiteral("-main-partial.png"));
    invoke(form, "MenuCompleteClick");
    shoot(prefix + QStringLiteral("-main-completed.png"));
    form->session().undoStack()->setClean();
    form->close();
    delete form;
    delete alternatives;
    delete result;
    return 0;
}
