#include "ui/windows/PlainTextField.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>

namespace priomat {

// The paste key reads the clipboard's text directly. Qt's own paste keeps the clipboard's
// QMimeData while it converts it, and that object can go away under it when the program that
// owned the selection has ended (a crash seen on X11).
void PlainTextField::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Paste) && !isReadOnly()) {
        const QString text = QGuiApplication::clipboard()->text(QClipboard::Clipboard);
        if (!text.isEmpty())
            insertPlainText(text);
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

bool PlainTextField::canInsertFromMimeData(const QMimeData *source) const
{
    return source && source->hasText();
}

// The context menu's Paste, the middle button and drops: only the text, read once.
void PlainTextField::insertFromMimeData(const QMimeData *source)
{
    if (!source || !source->hasText())
        return;
    const QString text = source->text();
    if (!text.isEmpty())
        insertPlainText(text);
}

} // namespace priomat
