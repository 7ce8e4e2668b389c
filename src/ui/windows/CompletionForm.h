// The completion's preview: the cells it fills with their values, the index after and what
// happens to the ranking; the user confirms or cancels.
#pragma once

#include "document/DocumentSession.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace priomat {

class TCompletionForm : public QDialog
{
    Q_OBJECT

public:
    TCompletionForm(const DocumentSession &session, const DocumentSession::CompletionPreview &preview, bool japanese,
                    QWidget *parent = nullptr);

    QLabel *MatrixCaption;
    QTreeWidget *CellList;
    QLabel *IndexLabel;
    QLabel *RankingLabel;
    QPushButton *OkButton;
    QPushButton *CancelButton;
};

} // namespace priomat
