// The consistency advisor dialog: suggestions for the shown matrix, their effect on the
// index and the ranking, and the consistency ratio as an addition.
#pragma once

#include "model/ConsistencyAdvisor.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace priomat {

class DocumentSession;

class TAdvisorForm : public QDialog
{
    Q_OBJECT

public:
    TAdvisorForm(DocumentSession &session, bool japanese, QWidget *parent = nullptr);

    // Computes the advice for the session's shown matrix again and renders it.
    void refresh();
    // Applies the selected suggestion through the session's entry path: one undoable step.
    void AdvisorApplyClick();

    const AdvisorResult &advice() const { return advice_; }

private:
    QString text(const char *ja, const char *en) const;
    QString rankingText(const RankingPreview &preview) const;

    DocumentSession &session_;
    bool japanese_;
    AdvisorResult advice_;
    QLabel *MatrixCaption;
    QLabel *IndexLabel;
    QLabel *RatioLabel;
    QLabel *MessageLabel;
    QTreeWidget *SuggestionList;
    QPushButton *ApplyButton;
    QPushButton *CloseButton;
};

// Texts shared by the advisor and the completion command.
QString UnreadableEntryText(const UnreadableEntry &entry, bool japanese);
// Why a matrix gets no advice or completion, in the interface's language.
QString AdvisorFailureText(const std::optional<UnreadableEntry> &unreadable, int tooManyItems, const QString &error,
                           bool japanese);
// What a change does to the best alternative and the first three.
QString RankingChangeText(const RankingPreview &preview, bool japanese);
QString DisconnectedGroupsText(const std::vector<QStringList> &groups, bool japanese);

} // namespace priomat
