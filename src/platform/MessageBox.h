// Modal message boxes described by the platform's style bits and answered with its button ids.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace priomat::platform {

// Style bits.
constexpr unsigned MB_OK = 0x00;
constexpr unsigned MB_OKCANCEL = 0x01;
constexpr unsigned MB_ABORTRETRYIGNORE = 0x02;
constexpr unsigned MB_YESNOCANCEL = 0x03;
constexpr unsigned MB_YESNO = 0x04;
constexpr unsigned MB_RETRYCANCEL = 0x05;
constexpr unsigned MB_ICONHAND = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONEXCLAMATION = 0x30;
constexpr unsigned MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr unsigned MB_ICONASTERISK = 0x40;
constexpr unsigned MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr unsigned MB_DEFBUTTON1 = 0x000;
constexpr unsigned MB_DEFBUTTON2 = 0x100;
constexpr unsigned MB_DEFBUTTON3 = 0x200;

// Button ids.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

class MessageBoxService
{
public:
    virtual ~MessageBoxService() = default;
    // Shows the box modally over `parent` and returns the id of the button pressed.
    virtual int show(QWidget *parent, const QString &text, const QString &caption, unsigned flags) = 0;
    // Shows a box with buttons of these captions and returns the index of the one pressed,
    // `cancelIndex` when closed without a choice. A service that cannot ask gives `cancelIndex`.
    virtual int choose(QWidget *parent, const QString &text, const QString &caption,
                       const QStringList &buttons, int cancelIndex)
    {
        Q_UNUSED(parent) Q_UNUSED(text) Q_UNUSED(caption) Q_UNUSED(buttons)
        return cancelIndex;
    }
};

// The Linux box: a QMessageBox with the buttons, icon and default button of the style bits.
// Closing it without a choice gives Cancel where there is one, else OK or No.
// For scripted runs of the program, PRIOMAT_TEST_ANSWERS (numbers separated by commas) answers
// the first boxes instead of showing them, each noted on standard error.
class QtMessageBoxService : public MessageBoxService
{
public:
    int show(QWidget *parent, const QString &text, const QString &caption, unsigned flags) override;
    int choose(QWidget *parent, const QString &text, const QString &caption, const QStringList &buttons,
               int cancelIndex) override;
};

} // namespace priomat::platform
