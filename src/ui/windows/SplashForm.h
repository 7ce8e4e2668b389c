// The small window shown while the main window is being built.
#pragma once

#include <QRect>
#include <QSize>
#include <QWidget>

class QLabel;

namespace priomat {

struct SplashLayout
{
    int labelLeft = 0;
    QSize clientSize;
    QPoint windowPosition;
};

// Labels stand right of the picture with a gap equal to its left margin, the right margin equals
// it too, and the window sits one third of the free space from the screen's left and top.
// `frameExtra` is what the window frame adds to the client size.
SplashLayout ComputeSplashLayout(QPoint imagePosition, QSize imageSize, int label1Width,
                                 int label2Width, QSize screen, QSize frameExtra);

class TSplashForm : public QWidget
{
    Q_OBJECT

public:
    explicit TSplashForm(QWidget *parent = nullptr);

    QLabel *Image1;
    QLabel *Label1;
    QLabel *Label2;
};

// Creates the splash with the product name and version, sizes and places it, and paints it at
// once (the event loop is not running yet).
TSplashForm *ShowSplash();
// Deferred release: the splash goes when events are next processed.
void ReleaseSplash(TSplashForm *splash);

} // namespace priomat
