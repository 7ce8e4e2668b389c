// Moving the selected requirement a level down or up from the keyboard.
#pragma once

class QMenu;
class QWidget;

namespace priomat {

class DocumentSession;

// Adds "Indent" (under the previous sibling) and "Outdent" (out beside the parent) to `menu`,
// with Alt+Shift+Right and Alt+Shift+Left; each move is one undoable step of the session.
void AddIndentActions(QMenu *menu, DocumentSession *session);

} // namespace priomat
