#include "ui/windows/CompletionForm.h"

#include "app/Placement.h"
#include "model/FloatFormat.h"
#include "ui/windows/AdvisorForm.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace priomat {

namespace {

QString ratioText(double ci, int n)
{
    const RandomIndex ri = RandomIndexFor(n);
    return ri.table == RandomIndexTable::None ? FormatFloat(ci)
                                              : FormatFloat(ci) + QStringLiteral(" (CR ")
                                                    + QString::number(ci / ri.value, 'f', 2) + u')';
}

} // namespace

TCompletionForm::TCompletionForm(const DocumentSession &session, const DocumentSession::CompletionPreview &preview,
                                 bool japanese, QWidget *parent)
    : QDialog(parent)
{
    auto text = [japanese](const char *ja, const char *en) { return japanese ? QString::fromUtf8(ja) : QString::fromUtf8(en); };
    setObjectName(QStringLiteral("CompletionForm"));
    setWindowTitle(text("入力済みの値から補完", "Complete from entered") + QStringLiteral(" / Priomat"));
    const ShownMatrix &shown = session.shownMatrix();
    const QString owner = session.currentNode() ? session.currentNode()->caption() : QString();
    const int count = int(preview.completion.cells.size());

    MatrixCaption = new QLabel(this);
    MatrixCaption->setObjectName(QStringLiteral("MatrixCaption"));
    MatrixCaption->setWordWrap(true);
    MatrixCaption->setText(text("「%1」の一対比較マトリックスの未入力 %2 組を、入力済みの値から次の値で埋めます。",
                                "The completion fills %2 pairs of the matrix of \"%1\" that are not entered, "
                                "from the entered ones:")
                               .arg(owner)
                               .arg(count));
    CellList = new QTreeWidget(this);
    CellList->setObjectName(QStringLiteral("CellList"));
    CellList->setRootIsDecorated(false);
    CellList->setUniformRowHeights(true);
    CellList->setHeaderLabels({text("行", "Row"), text("列", "Column"), text("値", "Value"),
                               text("対称位置", "Mirror")});
    CellList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    const bool inverse = session.options().inverse();
    QList<QTreeWidgetItem *> items;
    for (const CompletionCell &cell : preview.completion.cells) {
        items.append(new QTreeWidgetItem(QStringList{shown.items.names.value(cell.row), shown.items.names.value(cell.column),
                                                     cell.value, inverse ? cell.reciprocal : QString()}));
    }
    CellList->addTopLevelItems(items);
    if (!inverse)
        CellList->hideColumn(3);

    IndexLabel = new QLabel(this);
    IndexLabel->setObjectName(QStringLiteral("IndexLabel"));
    const QString before = shown.computed ? ratioText(shown.consistencyIndex, shown.size()) : text("計算できません", "cannot be computed");
    const QString after = preview.ranking.indexAfter ? ratioText(*preview.ranking.indexAfter, shown.size())
                                                     : text("計算できません", "cannot be computed");
    IndexLabel->setText(text("整合度: %1 → %2", "Consistency index: %1 → %2").arg(before, after));
    RankingLabel = new QLabel(this);
    RankingLabel->setObjectName(QStringLiteral("RankingLabel"));
    RankingLabel->setWordWrap(true);
    RankingLabel->setText(text("順位への影響: %1", "Ranking: %1").arg(RankingChangeText(preview.ranking, japanese)));
    if (preview.ranking.computed && (preview.ranking.bestChanges || preview.ranking.topThreeChange)) {
        QFont bold = RankingLabel->font();
        bold.setBold(true);
        RankingLabel->setFont(bold);
    }

    OkButton = new QPushButton(text("補完する (&C)", "&Complete"), this);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setDefault(true);
    CancelButton = new QPushButton(text("キャンセル", "Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(OkButton, QDialogButtonBox::AcceptRole);
    buttons->addButton(CancelButton, QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(MatrixCaption);
    layout->addWidget(CellList, 1);
    layout->addWidget(IndexLabel);
    layout->addWidget(RankingLabel);
    layout->addWidget(buttons);
    resize(520, 360);
}

} // namespace priomat
