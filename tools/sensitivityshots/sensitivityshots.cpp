// Opens a document in a session, shows the result window's sensitivity page for it and saves
// screenshots at the default and at a large size. Run by tools/sensitivity-screenshots.sh.
#include "document/DocumentSession.h"
#include "ScreenSession.h"
#include "ui/windows/ResultForm.h"
#include "ui/windows/SensitivityPage.h"

#include <QApplication>
#include <QComboBox>
#include <QTabWidget>
#include <QTest>

#include <cstdio>

using namespace priomat;
using priomat::tools::shoot;

namespace {

struct PrintingHost : SessionHost
{
    OverwriteChoice confirmOverwrite(OverwriteReason, const QString &) override { return OverwriteChoice::Cancel; }
    bool askRecovery() override { return false; }
    void showError(const QString &message) override { std::fprintf(stderr, "%s\n", qPrintable(message)); }
    void showNotADataFile(const QString &message) override { std::fprintf(stderr, "%s\n", qPrintable(message)); }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    if (argc < 4) {
        std::fputs("usage: priomat-sensitivityshots DOCUMENT OUTPUT-PREFIX /ENGLISH|/JAPANESE [NODE]\n", stderr);
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const QString prefix = QString::fromLocal8Bit(argv[2]);
    tools::ScreenSession screen(application);

    PrintingHost host;
    DocumentSession session;
    session.setHost(&host);
    session.setJapanese(Appli->Japanese);
    if (!session.open(path))
        return 1;
    session.setCurrentNode(session.document().tree.root());

    TResultForm form;
    form.attachSession(&session);
    form.PageControl1->setCurrentWidget(form.Sensitivity);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    shoot(prefix + QStringLiteral("-default-size.png"));
    form.setGeometry(40, 40, 900, 700);
    shoot(prefix + QStringLiteral("-large.png"));
    return 0;
}
