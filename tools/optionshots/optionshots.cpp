// Opens the options dialog under a display as a user would (View page, then the Font page with
// a chosen font and colour, OK, and a second opening) and saves screenshots of the screen. Run
// by tools/option-screenshots.sh.
#include "app/Appli.h"
#include "app/Frame.h"
#include "ScreenSession.h"
#include "ui/windows/OptionForm.h"
#include "app/Placement.h"
#include "app/SettingsStore.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTreeWidget>

#include <cstdio>

using namespace priomat;
using priomat::tools::shoot;

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    if (argc < 3) {
        std::fputs("usage: priomat-optionshots OUTPUT-PREFIX /ENGLISH|/JAPANESE\n", stderr);
        return 2;
    }
    const QString prefix = QString::fromLocal8Bit(argv[1]);
    InstallFontSubstitutions();
    platform::LinuxServices services;
    services.install();
    FrameStartup();
    // The settings of these runs stay in the (temporary) home, not beside the build.
    Settings().setFileName(QDir::homePath() + QStringLiteral("/priomat-optionshots.ini"));
    application.setFont(DefaultFontSettings(Appli->Japanese).toFont());

    {
        TOptionForm dialog;
        dialog.show();
        if (!QTest::qWaitForWindowExposed(&dialog))
            return 1;
        // No window manager draws the title bar under xvfb: print the caption instead.
        std::printf("caption: %s\n", qPrintable(dialog.windowTitle()));
        shoot(prefix + QStringLiteral("-view.png"));

        QTreeWidget *tree = dialog.CategoryTree;
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                          tree->visualItemRect(tree->topLevelItem(0)->child(0)).center());
        dialog.fontDialogRunner = [](const QFont &) -> std::optional<QFont> {
            QFont font(QStringLiteral("IPAPMincho"), 16);
            font.setItalic(true);
            return font;
        };
        dialog.colorDialogRunner = [](const QColor &) -> std::optional<QColor> { return QColor(255, 236, 170); };
        QTest::mouseClick(dialog.FontButton, Qt::LeftButton);
        QTest::mouseClick(dialog.ColorButton, Qt::LeftButton);
        shoot(prefix + QStringLiteral("-font.png"));
        QTest::mouseClick(dialog.OkButton, Qt::LeftButton);
    }
    {
        // The second opening comes back on the Font page with the stored sample.
        TOptionForm dialog;
        dialog.show();
        if (!QTest::qWaitForWindowExposed(&dialog))
            return 1;
        shoot(prefix + QStringLiteral("-font-reopened.png"));
        QTest::mouseClick(dialog.CancelButton, Qt::LeftButton);
    }
    return 0;
}
