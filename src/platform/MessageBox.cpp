#include "platform/MessageBox.h"

#include <QMessageBox>
#include <QPushButton>

#include <cstdio>
#include <vector>

namespace priomat::platform {

namespace {

// The next scripted answer, if any are left.
bool scriptedAnswer(const QString &text, int &answer)
{
    static QStringList answers = qEnvironmentVariable("PRIOMAT_TEST_ANSWERS").split(u',', Qt::SkipEmptyParts);
    if (answers.isEmpty())
        return false;
    answer = answers.takeFirst().toInt();
    std::fprintf(stderr, "priomat: box answered %d: %s\n", answer,
                 text.section(u'\n', 0, 0).trimmed().toLocal8Bit().constData());
    std::fflush(stderr);
    return true;
}

} // namespace

int QtMessageBoxService::choose(QWidget *parent, const QString &text, const QString &caption,
                                const QStringList &buttons, int cancelIndex)
{
    int answer = cancelIndex;
    if (scriptedAnswer(text, answer))
        return answer;
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    box.setText(text);
    box.setIcon(QMessageBox::Warning);
    QList<QPushButton *> pushButtons;
    for (const QString &label : buttons)
        pushButtons.append(box.addButton(label, QMessageBox::ActionRole));
    // Escape and Return both take the answer that changes nothing.
    if (cancelIndex >= 0 && cancelIndex < pushButtons.size()) {
        box.setEscapeButton(pushButtons.at(cancelIndex));
        box.setDefaultButton(pushButtons.at(cancelIndex));
    }
    box.exec();
    const int index = int(pushButtons.indexOf(box.clickedButton()));
    return index < 0 ? cancelIndex : index;
}

int QtMessageBoxService::show(QWidget *parent, const QString &text, const QString &caption,
                              unsigned flags)
{
    if (int answer = IDOK; scriptedAnswer(text, answer))
        return answer;
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    box.setText(text);

    switch (flags & 0xF0) {
    case MB_ICONHAND:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONEXCLAMATION:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONASTERISK:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }

    struct Button
    {
        QMessageBox::StandardButton standard;
        int id;
    };
    std::vector<Button> buttons;
    switch (flags & 0x0F) {
    case MB_OKCANCEL:
        buttons = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
        break;
    case MB_ABORTRETRYIGNORE:
        buttons = {{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}};
        break;
    case MB_YESNOCANCEL:
        buttons = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
        break;
    case MB_YESNO:
        buttons = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
        break;
    case MB_RETRYCANCEL:
        buttons = {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
        break;
    default:
        buttons = {{QMessageBox::Ok, IDOK}};
        break;
    }
    for (const Button &button : buttons)
        box.addButton(button.standard);

    const size_t defaultIndex = (flags >> 8) & 0x0F;
    if (defaultIndex < buttons.size())
        box.setDefaultButton(buttons[defaultIndex].standard);

    // Escape or the close box: Cancel where there is one, otherwise the last button (OK, No,
    // Ignore), which is the answer that changes nothing.
    int escapeId = buttons.back().id;
    for (const Button &button : buttons) {
        if (button.id == IDCANCEL)
            escapeId = IDCANCEL;
    }
    for (const Button &button : buttons) {
        if (button.id == escapeId)
            box.setEscapeButton(button.standard);
    }

    box.exec();
    QAbstractButton *clicked = box.clickedButton();
    for (const Button &button : buttons) {
        if (clicked == box.button(button.standard))
            return button.id;
    }
    return escapeId;
}

} // namespace priomat::platform
