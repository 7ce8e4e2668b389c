// Opens the Group window with the participants' files given and saves screenshots of its three
// pages, a pair chosen on the second. Run by tools/group-screenshots.sh.
#include "ScreenSession.h"
#include "app/SettingsStore.h"
#include "ui/windows/GroupForm.h"

#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include <cstdio>

using namespace priomat;
using priomat::tools::shoot;

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    if (argc < 4) {
        std::fputs("usage: priomat-groupshots OUTPUT-PREFIX /ENGLISH|/JAPANESE FILE...\n", stderr);
        return 2;
    }
    const QString prefix = QString::fromLocal8Bit(argv[1]);
    tools::ScreenSession session(application);
    Settings().setFileName(QDir::homePath() + QStringLiteral("/priomat-groupshots.ini"));
    QStringList files;
    for (int i = 3; i < argc; ++i)
        files.append(QString::fromLocal8Bit(argv[i]));

    TGroupForm form(Appli->Japanese);
    form.resize(1000, 740);
    form.move(0, 0);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    std::printf("caption: %s\n", qPrintable(form.windowTitle()));
    form.addFiles(files);
    form.waitForResult();
    QTest::qWait(200);
    shoot(prefix + QStringLiteral("-compatibility.png"));
    auto *tabs = form.findChild<QTabWidget *>(QStringLiteral("Tabs"));
    tabs->setCurrentIndex(1);
    form.findChild<QTableView *>(QStringLiteral("PairsTable"))->selectRow(1);
    shoot(prefix + QStringLiteral("-pairs.png"));
    tabs->setCurrentIndex(2);
    shoot(prefix + QStringLiteral("-points.png"));
    return 0;
}
