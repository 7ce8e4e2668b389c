#include "ui/main/IndentActions.h"

#include "document/DocumentSession.h"

#include <QAction>
#include <QMenu>
#include <QUndoStack>

namespace priomat {

void AddIndentActions(QMenu *menu, DocumentSession *session)
{
    menu->addSeparator();
    QAction *indent = menu->addAction(QStringLiteral("下の階層へ (&Indent)"));
    indent->setObjectName(QStringLiteral("MenuIndent"));
    indent->setShortcut(QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_Right));
    QAction *outdent = menu->addAction(QStringLiteral("上の階層へ (&Outdent)"));
    outdent->setObjectName(QStringLiteral("MenuOutdent"));
    outdent->setShortcut(QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_Left));
    QObject::connect(indent, &QAction::triggered, session, [session] {
        session->endTyping();
        session->indent();
    });
    QObject::connect(outdent, &QAction::triggered, session, [session] {
        session->endTyping();
        session->outdent();
    });
    // Enabled where there is a place to go, so that the shortcut does nothing elsewhere.
    auto update = [session, indent, outdent] {
        indent->setEnabled(session->canIndent());
        outdent->setEnabled(session->canOutdent());
    };
    QObject::connect(session, &DocumentSession::currentNodeChanged, indent, update);
    QObject::connect(session->undoStack(), &QUndoStack::indexChanged, indent, update);
    QObject::connect(session, &DocumentSession::documentReplaced, indent, update);
    update();
}

} // namespace priomat
