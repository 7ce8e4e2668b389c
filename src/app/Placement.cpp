#include "app/Placement.h"

#include "app/Appli.h"
#include "platform/Platform.h"
#include "app/SettingsStore.h"
#include "platform/SystemInfo.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QPalette>
#include <QPointer>
#include <QWidget>

#include <algorithm>

namespace priomat {

namespace {

QString fontSection(const QString &section)
{
    const bool japanese = Appli && Appli->Japanese;
    return section + (japanese ? QStringLiteral("\\Font\\Japanese") : QStringLiteral("\\Font\\English"));
}

bool hasSizeableBorder(const QWidget *window)
{
    return window->minimumSize() != window->maximumSize();
}

} // namespace

QFont FontSettings::toFont() const
{
    QFont font(name);
    font.setPointSize(size > 0 ? size : 9);
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    font.setStrikeOut(strikeout);
    font.setFixedPitch(pitch == 2);
    return font;
}

QColor ColorFromValue(qint32 value)
{
    if (value >= 0) {
        const quint32 bgr = quint32(value);
        return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
    }
    // System colours: the low byte is the platform's colour index.
    QPalette::ColorRole role = QPalette::Window;
    switch (quint32(value) & 0xFF) {
    case 5: role = QPalette::Base; break;            // window
    case 7: case 8: role = QPalette::WindowText; break; // menu text, window text
    case 9: case 14: role = QPalette::HighlightedText; break;
    case 13: role = QPalette::Highlight; break;
    case 16: role = QPalette::Dark; break;           // button shadow
    case 18: role = QPalette::ButtonText; break;
    case 20: role = QPalette::Light; break;          // button highlight
    case 21: role = QPalette::Shadow; break;
    case 22: role = QPalette::Midlight; break;
    case 23: role = QPalette::ToolTipText; break;
    case 24: role = QPalette::ToolTipBase; break;
    default: break; // button face, menu and the rest: the dialog's own background
    }
    return QApplication::palette().color(role);
}

qint32 ValueFromColor(const QColor &color)
{
    const QColor rgb = color.toRgb();
    return qint32((quint32(rgb.blue()) << 16) | (quint32(rgb.green()) << 8) | quint32(rgb.red()));
}

QColor FontSettings::toColor() const
{
    return ColorFromValue(color);
}

FontSettings FontSettings::fromFont(const QFont &font, qint32 color)
{
    FontSettings settings;
    settings.name = font.family();
    settings.size = font.pointSize() > 0 ? font.pointSize() : 9;
    settings.bold = font.bold();
    settings.italic = font.italic();
    settings.underline = font.underline();
    settings.strikeout = font.strikeOut();
    settings.pitch = font.fixedPitch() ? 2 : 0;
    settings.color = color;
    return settings;
}

FontSettings DefaultFontSettings(bool japanese)
{
    FontSettings font;
    font.name = japanese ? QStringLiteral("ＭＳ Ｐゴシック") : QStringLiteral("Arial");
    font.charset = japanese ? 128 : 0;
    return font;
}

void InstallFontSubstitutions()
{
    // The portable folder brings a Japanese face of its own for systems that have none.
    const QDir bundled(QCoreApplication::applicationDirPath() + QStringLiteral("/fonts"));
    for (const QString &file : bundled.entryList({QStringLiteral("*.ttf"), QStringLiteral("*.otf")}, QDir::Files))
        QFontDatabase::addApplicationFont(bundled.filePath(file));
    const QStringList japanese{QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"),
                               QStringLiteral("Noto Sans CJK JP"), QStringLiteral("VL PGothic")};
    for (const QString &family : {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("ＭＳ ゴシック"),
                                  QStringLiteral("MS PGothic"), QStringLiteral("MS Gothic")})
        QFont::insertSubstitutions(family, japanese);
    // Liberation Sans has Arial's metrics; IPAPGothic's Latin letters come close where it is missing.
    QFont::insertSubstitutions(QStringLiteral("Arial"), {QStringLiteral("Liberation Sans"),
                                                         QStringLiteral("IPAPGothic"), QStringLiteral("DejaVu Sans")});
}

void SaveFontSettings(const QString &section, const FontSettings &font)
{
    const QString target = fontSection(section);
    WriteSetting(target, QStringLiteral("Name"), font.name);
    WriteSetting(target, QStringLiteral("Charset"), font.charset);
    WriteSetting(target, QStringLiteral("Size"), font.size);
    WriteSetting(target, QStringLiteral("Color"), font.color);
    WriteSetting(target, QStringLiteral("Pitch"), font.pitch);
    WriteSetting(target, QStringLiteral("Bold"), font.bold);
    WriteSetting(target, QStringLiteral("Italic"), font.italic);
    WriteSetting(target, QStringLiteral("Underline"), font.underline);
    WriteSetting(target, QStringLiteral("Strikeout"), font.strikeout);
}

void LoadFontSettings(const QString &section, FontSettings &font)
{
    const QString source = fontSection(section);
    if (ReadSetting(source, QStringLiteral("Name"), QString()).toString().isEmpty()) {
        font = DefaultFontSettings(Appli && Appli->Japanese);
        return;
    }
    font.name = ReadSetting(source, QStringLiteral("Name"), font.name).toString();
    font.charset = ReadSetting(source, QStringLiteral("Charset"), font.charset).toInt();
    font.size = ReadSetting(source, QStringLiteral("Size"), font.size).toInt();
    font.color = ReadSetting(source, QStringLiteral("Color"), font.color).toInt();
    font.pitch = ReadSetting(source, QStringLiteral("Pitch"), font.pitch).toInt();
    // A flag that is not stored keeps its current setting.
    auto flag = [&source](const char *name, bool &value) {
        if (ReadSetting(source, QString::fromLatin1(name), false).toBool())
            value = true;
        else if (!ReadSetting(source, QString::fromLatin1(name), true).toBool())
            value = false;
    };
    flag("Bold", font.bold);
    flag("Italic", font.italic);
    flag("Underline", font.underline);
    flag("Strikeout", font.strikeout);
}

bool WindowPositionsKnown()
{
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void SaveWindowPlacement(const QWidget *window, const QString &section)
{
    const bool restoredElsewhere = window->isMaximized() || window->isMinimized();
    QRect normal = restoredElsewhere && window->normalGeometry().isValid() ? window->normalGeometry()
                                                                           : window->geometry();
    if (!normal.isValid())
        return;
    normal.translate(-platform::services().system->workArea().topLeft());
    if (hasSizeableBorder(window)) {
        WriteSetting(section, QStringLiteral("Width"), normal.width());
        WriteSetting(section, QStringLiteral("Height"), normal.height());
    }
    if (WindowPositionsKnown()) {
        WriteSetting(section, QStringLiteral("Left"), normal.left());
        WriteSetting(section, QStringLiteral("Top"), normal.top());
    }
    const QString state = window->isMinimized()   ? QStringLiteral("Minimized")
                          : window->isMaximized() ? QStringLiteral("Maximized")
                                                  : QStringLiteral("Normal");
    WriteSetting(section, QStringLiteral("State"), state);
}

void RestoreWindowPlacement(QWidget *window, const QString &section)
{
    const platform::SystemInfo *system = platform::services().system;
    const QRect current = window->geometry();
    // Stored numbers, and the design-time position alike, are work-area coordinates.
    const QPoint offset = system->workArea().topLeft();
    int left = ReadSetting(section, QStringLiteral("Left"), current.left()).toInt() + offset.x();
    int top = ReadSetting(section, QStringLiteral("Top"), current.top()).toInt() + offset.y();
    int width = current.width();
    int height = current.height();
    if (hasSizeableBorder(window)) {
        width = ReadSetting(section, QStringLiteral("Width"), width).toInt();
        height = ReadSetting(section, QStringLiteral("Height"), height).toInt();
    }
    const QSize screen = system->screenSize();
    if (left > screen.width() - width)
        left = screen.width() - width;
    if (left < 0)
        left = 0;
    if (top > screen.height() - height)
        top = screen.height() - height;
    if (top < 0)
        top = 0;
    window->setGeometry(left, top, width, height);

    const QString state = ReadSetting(section, QStringLiteral("State"), QStringLiteral("Normal")).toString();
    if (state == u"Minimized")
        window->setWindowState(Qt::WindowMinimized);
    else if (state == u"Maximized")
        window->setWindowState(Qt::WindowMaximized);
    else
        window->setWindowState(Qt::WindowNoState);
}

bool HasStoredPlacement(const QString &section)
{
    return ReadSetting(section, QStringLiteral("Left"), QVariant()).isValid();
}

QSize FirstStartSize(QSize current, QSize wanted, QSize workArea, QSize frame)
{
    // Up to the size of a small screen's, the content decides wherever the work area holds it:
    // a larger scale or font leaves fewer logical pixels, never a smaller window than its content.
    const QSize smallScreen(640, 480);
    const QSize bound =
        QSize(workArea.width() * 2 / 3, workArea.height() * 2 / 3).expandedTo(smallScreen).boundedTo(workArea - frame);
    return current.expandedTo(wanted.boundedTo(bound));
}

QRect KeepInsideWorkArea(QRect frame, QRect workArea, bool resizable)
{
    if (resizable)
        frame.setSize(frame.size().boundedTo(workArea.size()));
    frame.moveLeft(std::max(workArea.left(), std::min(frame.left(), workArea.right() + 1 - frame.width())));
    frame.moveTop(std::max(workArea.top(), std::min(frame.top(), workArea.bottom() + 1 - frame.height())));
    return frame;
}

QMargins FrameMarginsOf(const QWidget *window)
{
    auto marginsOf = [](const QWidget *w) {
        const QRect outer = w->frameGeometry();
        const QRect inner = w->geometry();
        return QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                        outer.bottom() - inner.bottom());
    };
    if (window->isVisible() && window->frameGeometry() != window->geometry())
        return marginsOf(window);
    for (const QWidget *other : QApplication::topLevelWidgets()) {
        if (other != window && other->isVisible() && other->isWindow() && other->frameGeometry() != other->geometry())
            return marginsOf(other);
    }
    return QMargins();
}

void KeepWindowInWorkArea(QWidget *window)
{
    if (window->isMaximized() || window->isMinimized() || window->isFullScreen())
        return;
    const QMargins margins = FrameMarginsOf(window);
    const QRect frame = window->geometry().marginsAdded(margins);
    const QRect kept = KeepInsideWorkArea(frame, platform::services().system->workArea(), hasSizeableBorder(window));
    const QRect inner = kept.marginsRemoved(margins);
    if (inner != window->geometry())
        window->setGeometry(inner);
}

namespace {

class WorkAreaKeeper : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType())
            KeepWindowInWorkArea(static_cast<QWidget *>(watched));
        return false;
    }
};

} // namespace

void KeepInWorkAreaWhenShown(QWidget *window)
{
    window->installEventFilter(new WorkAreaKeeper(window));
}

ActivationOrder::ActivationOrder() : QObject(qApp)
{
    qApp->installEventFilter(this);
}

ActivationOrder &ActivationOrder::instance()
{
    static QPointer<ActivationOrder> order;
    if (!order)
        order = new ActivationOrder();
    return *order;
}

bool ActivationOrder::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && watched->isWidgetType()
        && static_cast<QWidget *>(watched)->isWindow()) {
        if (!stamps_.contains(watched))
            connect(watched, &QObject::destroyed, this, [this](QObject *gone) { stamps_.remove(gone); });
        stamps_.insert(watched, ++counter_);
    }
    return false;
}

bool ActivationOrder::isBehind(const QWidget *window, const QWidget *front) const
{
    if (!window || !front || !window->isVisible() || !front->isVisible())
        return false;
    if (window->isMinimized())
        return true;
    if (!window->frameGeometry().intersects(front->frameGeometry()))
        return false;
    return stamps_.value(window, 0) < stamps_.value(front, 0);
}

} // namespace priomat
