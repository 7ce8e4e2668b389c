#include "ui/windows/AdvisorForm.h"

#include "document/DocumentSession.h"
#include "model/FloatFormat.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <new>

namespace priomat {

QString UnreadableEntryText(const UnreadableEntry &entry, bool japanese)
{
    return japanese ? QStringLiteral("「%1」のマトリックスの行「%2」、列「%3」の値 '%4' は読めない値です。提案も変更もしません。")
                          .arg(entry.owner, entry.row, entry.column, entry.text)
                    : QStringLiteral("The value '%4' in row \"%2\", column \"%3\" of the matrix of \"%1\" cannot be read. "
                                     "Nothing is suggested or changed.")
                          .arg(entry.owner, entry.row, entry.column, entry.text);
}

QString AdvisorFailureText(const std::optional<UnreadableEntry> &unreadable, int tooManyItems, const QString &error,
                           bool japanese)
{
    if (unreadable)
        return UnreadableEntryText(*unreadable, japanese);
    if (tooManyItems > 0 && japanese)
        return QStringLiteral("このマトリックスは %1 項目あり、アドバイザと補完が扱える %2 項目を超えています。")
            .arg(tooManyItems)
            .arg(AdvisorMaxSize);
    return error;
}

QString DisconnectedGroupsText(const std::vector<QStringList> &groups, bool japanese)
{
    QStringList parts;
    for (const QStringList &group : groups)
        parts.append(QStringLiteral("{") + group.join(QStringLiteral(", ")) + QStringLiteral("}"));
    return japanese ? QStringLiteral("入力済みの組がすべての項目をつないでいないため、補完しませんでした。"
                                     "互いにつながっていないグループ: %1")
                          .arg(parts.join(QStringLiteral(" ")))
                    : QStringLiteral("The entered pairs do not connect all items, so nothing was completed. "
                                     "Groups not connected to each other: %1")
                          .arg(parts.join(QStringLiteral(" ")));
}

TAdvisorForm::TAdvisorForm(DocumentSession &session, bool japanese, QWidget *parent)
    : QDialog(parent), session_(session), japanese_(japanese)
{
    setObjectName(QStringLiteral("AdvisorForm"));
    setWindowTitle(text("整合性アドバイザ", "Consistency advisor") + QStringLiteral(" / Priomat"));
    auto *layout = new QVBoxLayout(this);
    MatrixCaption = new QLabel(this);
    MatrixCaption->setObjectName(QStringLiteral("MatrixCaption"));
    IndexLabel = new QLabel(this);
    IndexLabel->setObjectName(QStringLiteral("IndexLabel"));
    RatioLabel = new QLabel(this);
    RatioLabel->setObjectName(QStringLiteral("RatioLabel"));
    RatioLabel->setWordWrap(true);
    MessageLabel = new QLabel(this);
    MessageLabel->setObjectName(QStringLiteral("MessageLabel"));
    MessageLabel->setWordWrap(true);
    SuggestionList = new QTreeWidget(this);
    SuggestionList->setObjectName(QStringLiteral("SuggestionList"));
    SuggestionList->setRootIsDecorated(false);
    SuggestionList->setUniformRowHeights(true);
    SuggestionList->setAllColumnsShowFocus(true);
    SuggestionList->setHeaderLabels({text("組", "Pair"), text("現在の値", "Value"), text("提案値", "Suggested"),
                                     text("変更後の整合度", "Index after"), text("順位への影響", "Ranking")});
    SuggestionList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    SuggestionList->header()->setStretchLastSection(true);
    ApplyButton = new QPushButton(text("適用 (&A)", "&Apply"), this);
    ApplyButton->setObjectName(QStringLiteral("ApplyButton"));
    ApplyButton->setDefault(true);
    CloseButton = new QPushButton(text("閉じる", "Close"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(ApplyButton, QDialogButtonBox::ActionRole);
    buttons->addButton(CloseButton, QDialogButtonBox::RejectRole);

    layout->addWidget(MatrixCaption);
    layout->addWidget(IndexLabel);
    layout->addWidget(MessageLabel);
    layout->addWidget(SuggestionList, 1);
    layout->addWidget(RatioLabel);
    layout->addWidget(buttons);
    resize(720, 330);

    connect(ApplyButton, &QPushButton::clicked, this, &TAdvisorForm::AdvisorApplyClick);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);
    // Enter reaches the default button; the list's own activation would apply a second time.
    connect(SuggestionList, &QTreeWidget::itemDoubleClicked, this, [this] { AdvisorApplyClick(); });
    refresh();
}

QString TAdvisorForm::text(const char *ja, const char *en) const
{
    return japanese_ ? QString::fromUtf8(ja) : QString::fromUtf8(en);
}

QString TAdvisorForm::rankingText(const RankingPreview &preview) const
{
    return RankingChangeText(preview, japanese_);
}

QString RankingChangeText(const RankingPreview &preview, bool japanese)
{
    auto text = [japanese](const char *ja, const char *en) { return japanese ? QString::fromUtf8(ja) : QString::fromUtf8(en); };
    if (!preview.computed)
        return text("評価できません", "cannot be evaluated");
    if (preview.bestChanges)
        return text("1位が変わる: %1 → %2", "best alternative changes: %1 → %2")
            .arg(preview.before.value(0), preview.after.value(0));
    if (preview.topThreeChange)
        return text("上位3位の順序が変わる: %1 → %2", "order of the first three changes: %1 → %2")
            .arg(preview.before.mid(0, 3).join(QStringLiteral(", ")), preview.after.mid(0, 3).join(QStringLiteral(", ")));
    return text("変わらない", "unchanged");
}

void TAdvisorForm::refresh()
{
    SuggestionList->clear();
    MessageLabel->clear();
    RatioLabel->clear();
    IndexLabel->clear();
    advice_ = AdvisorResult();
    const ShownMatrix &shown = session_.shownMatrix();
    const RequirementNode *node = session_.currentNode();
    if (!node || shown.size() < 2 || shown.size() > DocumentSession::GridLimit) {
        MatrixCaption->setText(text("比較する項目が2つ以上あるマトリックスを選んでください。",
                                    "Choose a matrix of two or more items."));
        ApplyButton->setEnabled(false);
        return;
    }
    const bool inverse = session_.options().inverse();
    MatrixCaption->setText(text("「%1」の一対比較マトリックス (%2 × %2)", "Matrix of \"%1\" (%2 × %2)")
                               .arg(node->caption())
                               .arg(shown.size()));
    try {
        const ComparisonMatrix matrix = ComparisonMatrix::of(session_.document(), shown.items);
        advice_ = AdviseMatrix(matrix, node->caption(), inverse);
        if (!advice_.computed) {
            MessageLabel->setText(
                AdvisorFailureText(advice_.unreadable, advice_.tooManyItems, advice_.error, japanese_));
            ApplyButton->setEnabled(false);
            return;
        }
        const double ci = advice_.consistencyIndex;
        IndexLabel->setText(text("整合度 (CI): %1", "Consistency index (CI): %1").arg(FormatFloat(ci)));
        const RandomIndex ri = RandomIndexFor(shown.size());
        if (ri.table == RandomIndexTable::None) {
            RatioLabel->setText(text("追加表示: 整合比 CR は 3 項目以上で定義されます。",
                                     "Addition: the consistency ratio CR is defined from 3 items."));
        } else {
            RatioLabel->setText(text("追加表示: 整合比 CR = CI / RI(%1) = %2 （RI(%1) = %3、%4）",
                                     "Addition: consistency ratio CR = CI / RI(%1) = %2 (RI(%1) = %3, %4)")
                                    .arg(shown.size())
                                    .arg(QString::number(ci / ri.value, 'g', 4), QString::number(ri.value, 'g', 4),
                                         RandomIndexTableName(ri.table, japanese_)));
        }
        if (advice_.suggestions.empty()) {
            MessageLabel->setText(text("1つの値を変えて整合度を下げられる組はありません。",
                                       "No single change of an entered value lowers the index."));
        } else {
            MessageLabel->setText(text("値を変えると整合度が最も下がる入力済みの組（最大5組）。"
                                       "Enter キー、ダブルクリック、または「適用」で1つの操作として入力します。",
                                       "The entered pairs whose change lowers the index most (up to five). "
                                       "Enter, a double click or Apply enters one as a single step."));
        }
        RankingPreviewer previewer(session_.document(), node);
        bool rankingShown = false;
        for (const AdvisorSuggestion &suggestion : advice_.suggestions) {
            auto *item = new QTreeWidgetItem(SuggestionList);
            item->setText(0, shown.items.names.at(suggestion.row) + QStringLiteral(" / ")
                                 + shown.items.names.at(suggestion.column));
            item->setText(1, suggestion.value);
            item->setText(2, suggestion.suggested);
            item->setText(3, FormatFloat(suggestion.indexAfter));
            const RankingPreview preview = previewer.preview(suggestion, inverse);
            item->setText(4, rankingText(preview));
            if (preview.computed && !rankingShown) {
                IndexLabel->setText(IndexLabel->text() + text("　　現在の上位3位: %1", "    First three now: %1")
                                                             .arg(preview.before.mid(0, 3).join(QStringLiteral(", "))));
                rankingShown = true;
            }
        }
    } catch (const std::bad_alloc &) {
        MessageLabel->setText(text("メモリが足りません。", "Out of memory."));
        advice_.suggestions.clear();
        SuggestionList->clear();
    }
    ApplyButton->setEnabled(!advice_.suggestions.empty());
    if (SuggestionList->topLevelItemCount() > 0) {
        SuggestionList->setCurrentItem(SuggestionList->topLevelItem(0));
        SuggestionList->setFocus();
    }
}

void TAdvisorForm::AdvisorApplyClick()
{
    const int index = SuggestionList->indexOfTopLevelItem(SuggestionList->currentItem());
    if (index < 0 || size_t(index) >= advice_.suggestions.size())
        return;
    const AdvisorSuggestion suggestion = advice_.suggestions[size_t(index)];
    session_.enterValue({suggestion.column + 1, suggestion.row + 1, suggestion.suggested, suggestion.reciprocal});
    refresh();
}

} // namespace priomat
