#include "ui/windows/SplashForm.h"

#include "ui/windows/AppIcon.h"
#include "app/Appli.h"
#include "app/Placement.h"
#include "platform/Platform.h"
#include "platform/SystemInfo.h"

#include <QApplication>
#include <QLabel>

namespace priomat {

SplashLayout ComputeSplashLayout(QPoint imagePosition, QSize imageSize, int label1Width,
                                 int label2Width, QSize screen, QSize frameExtra)
{
    SplashLayout layout;
    layout.labelLeft = 2 * imagePosition.x() + imageSize.width();
    const int widest = label1Width > label2Width ? label1Width : label2Width;
    layout.clientSize = QSize(layout.labelLeft + widest + imagePosition.x(),
                              2 * imagePosition.y() + imageSize.height());
    const QSize window = layout.clientSize + frameExtra;
    layout.windowPosition = QPoint((screen.width() - window.width()) / 3,
                                   (screen.height() - window.height()) / 3);
    return layout;
}

TSplashForm::TSplashForm(QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("SplashForm"));
    setWindowTitle(QStringLiteral("  Loading ..."));
    resize(166, 44);
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(5, 6, 33, 33);
    Label1 = new QLabel(QStringLiteral("Title"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(47, 6);
    Label2 = new QLabel(QStringLiteral("Version"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->move(47, 22);
}

TSplashForm *ShowSplash()
{
    // A Wayland window gets its first buffer only after a round trip with the compositor that
    // the start does not wait for: the splash would go unseen. It is left out there.
    if (!WindowPositionsKnown())
        return nullptr;
    auto *splash = new TSplashForm();
    splash->setAttribute(Qt::WA_DeleteOnClose);
    const QPixmap picture = ApplicationPixmap(32);
    splash->Image1->setPixmap(picture);
    splash->Image1->resize(picture.size());
    splash->Label1->setText(Appli ? Appli->ProductName : QStringLiteral("Priomat"));
    splash->Label2->setText(Appli ? Appli->VersionText() : QString());
    splash->Label1->adjustSize();
    splash->Label2->adjustSize();

    const QSize screen = platform::services().system ? platform::services().system->screenSize()
                                                     : QSize(1024, 768);
    const SplashLayout layout =
        ComputeSplashLayout(splash->Image1->pos(), splash->Image1->size(), splash->Label1->width(),
                            splash->Label2->width(), screen, QSize(0, 0));
    splash->Label1->move(layout.labelLeft, splash->Label1->y());
    splash->Label2->move(layout.labelLeft, splash->Label2->y());
    splash->setFixedSize(layout.clientSize);
    splash->move(layout.windowPosition);
    splash->show();
    splash->repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return splash;
}

void ReleaseSplash(TSplashForm *splash)
{
    if (splash)
        splash->deleteLater();
}

} // namespace priomat
