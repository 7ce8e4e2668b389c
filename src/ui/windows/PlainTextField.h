// A plain-text field that takes only text from the clipboard and from drops.
#pragma once

#include <QPlainTextEdit>

namespace priomat {

class PlainTextField : public QPlainTextEdit
{
    Q_OBJECT

public:
    using QPlainTextEdit::QPlainTextEdit;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;
};

} // namespace priomat
