// Fonts and window placements kept in the settings.
#pragma once

#include <QColor>
#include <QFont>
#include <QHash>
#include <QMargins>
#include <QObject>
#include <QRect>
#include <QSize>
#include <QString>

class QWidget;

namespace priomat {

// A font as the settings keep it.
struct FontSettings
{
    QString name;
    int charset = 0; // 0 Western, 128 Shift-JIS
    int size = 9;    // points
    qint32 color = qint32(0x80000008u); // system colours are negative; 0x80000008 is window text
    int pitch = 0;   // 0 default, 1 variable, 2 fixed
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;

    QFont toFont() const;
    // The colour on screen: system colours from the palette, others as 0x00BBGGRR.
    QColor toColor() const;
    static FontSettings fromFont(const QFont &font, qint32 color);
    friend bool operator==(const FontSettings &, const FontSettings &) = default;
};

// A colour value as settings and windows keep it: 0x00BBGGRR, or a system colour (negative,
// its low byte the system's colour index) taken from the application palette.
QColor ColorFromValue(qint32 value);
qint32 ValueFromColor(const QColor &color);

// "ＭＳ Ｐゴシック", Shift-JIS, 9 points in Japanese; "Arial", Western, 9 points in English.
FontSettings DefaultFontSettings(bool japanese);

// Lets the Japanese and Western face names of the settings show with fonts a Linux desktop has.
void InstallFontSubstitutions();

// Under `section` + "\Font\Japanese" or "\Font\English", by the interface language.
void SaveFontSettings(const QString &section, const FontSettings &font);
void LoadFontSettings(const QString &section, FontSettings &font);

// False where the platform neither reports nor sets window positions (Wayland).
bool WindowPositionsKnown();

// Position and size (of windows that can be resized) in work-area coordinates, and the state.
// A position the platform cannot report keeps the stored one.
void SaveWindowPlacement(const QWidget *window, const QString &section);
// Restores them, keeping the window on the primary screen.
void RestoreWindowPlacement(QWidget *window, const QString &section);
// Whether a placement is stored under `section`.
bool HasStoredPlacement(const QString &section);
// The size a window opens with when no placement is stored: `current` grown towards `wanted`,
// but by no more than up to two thirds of the work area (or 640 × 480 where the work area,
// less the window's frame, holds that) in each direction.
QSize FirstStartSize(QSize current, QSize wanted, QSize workArea, QSize frame = QSize(0, 0));

// A window's rectangle with its frame, moved (and, for a resizable window, first shrunk) so
// that it lies wholly inside `workArea`.
QRect KeepInsideWorkArea(QRect frame, QRect workArea, bool resizable);
// The window's frame margins; until the desktop has framed it (before it is first shown),
// those of another shown top-level window, which the desktop frames alike.
QMargins FrameMarginsOf(const QWidget *window);
// Moves (and shrinks) a window so that it and its frame lie inside the work area.
void KeepWindowInWorkArea(QWidget *window);
// Does that each time the window is shown, so stored and first placements both end inside.
void KeepInWorkAreaWhenShown(QWidget *window);

// The order in which top-level windows were last activated: on desktops that raise the active
// window, their stacking order.
class ActivationOrder : public QObject
{
public:
    // Created on first use, watching the application from then on.
    static ActivationOrder &instance();
    // Whether `window` is shown and (partly) under `front`: both visible, their frames
    // overlap, and `front` was activated after it.
    bool isBehind(const QWidget *window, const QWidget *front) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    ActivationOrder();
    QHash<const QObject *, quint64> stamps_;
    quint64 counter_ = 0;
};

} // namespace priomat
