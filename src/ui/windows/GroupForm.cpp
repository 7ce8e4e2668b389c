#include "ui/windows/GroupForm.h"

#include "document/DataFile.h"
#include "document/DocumentFile.h"
#include "model/FloatFormat.h"

#include <QBoxLayout>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QThread>

#include <new>

namespace priomat {

namespace {

const QColor Incompatible(255, 214, 204); // compatibility above Saaty's 1.1
const QColor Disputed(255, 236, 179);     // the most disputed pairs

QString tr2(bool japanese, const char *ja, const char *en)
{
    return japanese ? QString::fromUtf8(ja) : QString::fromUtf8(en);
}

} // namespace

GroupTableModel::GroupTableModel(Table table, bool japanese, QObject *parent)
    : QAbstractTableModel(parent), table_(table), japanese_(japanese)
{}

void GroupTableModel::setResult(std::shared_ptr<const GroupResult> result)
{
    beginResetModel();
    result_ = std::move(result);
    pair_ = -1;
    leastCompatible_ = -1;
    if (result_) {
        // The participant whose judgements fit the group's weights worst on average.
        std::vector<double> sum(size_t(result_->participantNames.size()), 0.0);
        std::vector<int> count(sum.size(), 0);
        for (const CompatibilityRow &row : result_->compatibility) {
            sum[size_t(row.participant)] += row.compatibility;
            ++count[size_t(row.participant)];
        }
        double worst = 0.0;
        for (size_t p = 0; p < sum.size(); ++p) {
            if (count[p] > 0 && sum[p] / count[p] > worst) {
                worst = sum[p] / count[p];
                leastCompatible_ = int(p);
            }
        }
    }
    endResetModel();
}

void GroupTableModel::setPair(int pair)
{
    beginResetModel();
    pair_ = pair;
    endResetModel();
}

int GroupTableModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !result_)
        return 0;
    switch (table_) {
    case Table::Compatibility:
        return int(result_->compatibility.size());
    case Table::Pairs:
        return int(result_->pairs.size());
    case Table::Points:
        return int(result_->alternatives.size());
    case Table::PairValues:
        return pair_ < 0 ? 0 : int(result_->participantNames.size()) + 1;
    }
    return 0;
}

int GroupTableModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    switch (table_) {
    case Table::Compatibility:
        return 4;
    case Table::Pairs:
        return 8;
    case Table::Points:
        return result_ ? int(result_->participantNames.size()) + 3 : 3;
    case Table::PairValues:
        return 3;
    }
    return 0;
}

QString GroupTableModel::text(int row, int column) const
{
    const GroupResult &r = *result_;
    const auto givenBy = [&r](int participant, int count) {
        const QString &name = r.participantNames.at(participant);
        return count > 1 ? QStringLiteral("%1 (+%2)").arg(name).arg(count - 1) : name;
    };
    switch (table_) {
    case Table::Compatibility: {
        const CompatibilityRow &c = r.compatibility[size_t(row)];
        const QStringList cells{r.matrices[size_t(c.matrix)].owner, r.participantNames.at(c.participant),
                                FormatFloat(c.compatibility), FormatFloat(c.consistencyIndex)};
        return cells.at(column);
    }
    case Table::Pairs: {
        const DisputedPair &p = r.pairs[size_t(row)];
        const GroupMatrix &m = r.matrices[size_t(p.matrix)];
        const QStringList cells{m.owner, m.items.names.at(p.row), m.items.names.at(p.column), FormatFloat(p.dispersion),
                                FormatFloat(p.lowest), givenBy(p.lowestBy, p.lowestCount), FormatFloat(p.highest),
                                givenBy(p.highestBy, p.highestCount)};
        return cells.at(column);
    }
    case Table::Points: {
        // The group's two figures first, so that they stay in view beside many participants.
        if (column == 0)
            return r.alternatives.at(row);
        if (column <= 2)
            return FormatFloat(column == 1 ? r.combinedPoints[size_t(row)] : r.meanPoints[size_t(row)]);
        return FormatFloat(r.points[size_t(column - 3)][size_t(row)]);
    }
    case Table::PairValues: {
        const DisputedPair &p = r.pairs[size_t(pair_)];
        const qsizetype participants = r.participantNames.size();
        if (row == participants) {
            if (column == 0)
                return tr2(japanese_, "グループ", "Group");
            if (column == 1)
                return QString();
            const GroupMatrix &m = r.matrices[size_t(p.matrix)];
            const ComparisonTable &table = m.items.leafShown ? r.combined.AlternativeComparisons
                                                             : r.combined.RequirementComparisons;
            const QString *value = m.items.leafShown
                                       ? table.value(KeyFields(m.items.leafName, m.items.names.at(p.row),
                                                               m.items.names.at(p.column)))
                                       : table.value(KeyFields(m.items.names.at(p.row), m.items.names.at(p.column)));
            return value ? *value : QStringLiteral("-");
        }
        if (column == 0)
            return r.participantNames.at(row);
        if (column == 1)
            return FormatFloat(r.weights[size_t(row)]);
        const std::optional<double> value = r.value(row, p.matrix, p.row, p.column);
        return value ? FormatFloat(*value) : QStringLiteral("-");
    }
    }
    return QString();
}

QVariant GroupTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !result_)
        return {};
    if (role == Qt::DisplayRole)
        return text(index.row(), index.column());
    if (role == Qt::TextAlignmentRole) {
        const bool number = (table_ == Table::Compatibility && index.column() >= 2)
                            || (table_ == Table::Pairs && (index.column() == 3 || index.column() == 4 || index.column() == 6))
                            || (table_ == Table::Points && index.column() > 0)
                            || (table_ == Table::PairValues && index.column() > 0);
        return QVariant(number ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter);
    }
    if (role == Qt::BackgroundRole) {
        if (table_ == Table::Compatibility && result_->compatibility[size_t(index.row())].compatibility > 1.1)
            return Incompatible;
        if (table_ == Table::Pairs && index.row() < DisputedShown)
            return Disputed;
        if (table_ == Table::Points && (index.column() == 1 || index.column() == 2))
            return QColor(230, 240, 255);
    }
    if (role == Qt::FontRole) {
        const bool strong = (table_ == Table::Compatibility
                             && result_->compatibility[size_t(index.row())].participant == leastCompatible_)
                            || (table_ == Table::PairValues && index.row() == result_->participantNames.size());
        if (strong) {
            QFont font;
            font.setBold(true);
            return font;
        }
    }
    return {};
}

QVariant GroupTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    const bool j = japanese_;
    switch (table_) {
    case Table::Compatibility: {
        const QStringList names{tr2(j, "持ち主", "Owner"), tr2(j, "参加者", "Participant"),
                                tr2(j, "適合度", "Compatibility"), tr2(j, "整合度", "Consistency index")};
        return names.value(section);
    }
    case Table::Pairs: {
        const QStringList names{tr2(j, "持ち主", "Owner"),       tr2(j, "行", "Row"),
                                tr2(j, "列", "Column"),          tr2(j, "ばらつき", "Dispersion"),
                                tr2(j, "最小", "Lowest"),        tr2(j, "付けた人", "Given by"),
                                tr2(j, "最大", "Highest"),       tr2(j, "付けた人", "Given by")};
        return names.value(section);
    }
    case Table::Points: {
        if (section == 0)
            return tr2(j, "代替案", "Alternative");
        if (section <= 2)
            return section == 1 ? QStringLiteral("AIJ") : QStringLiteral("AIP");
        return result_ ? result_->participantNames.value(section - 3) : QString();
    }
    case Table::PairValues: {
        const QStringList names{tr2(j, "参加者", "Participant"), tr2(j, "重み", "Weight"), tr2(j, "値", "Value")};
        return names.value(section);
    }
    }
    return {};
}

namespace {

QTableView *makeTable(QWidget *parent, const QString &name, QAbstractItemModel *model)
{
    auto *view = new QTableView(parent);
    view->setObjectName(name);
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    return view;
}

} // namespace

TGroupForm::TGroupForm(bool japanese, QWidget *parent) : QWidget(parent, Qt::Window), japanese_(japanese)
{
    setObjectName(QStringLiteral("GroupForm"));
    setWindowTitle(tr2(japanese, "グループ", "Group") + QStringLiteral(" / Priomat"));
    setAcceptDrops(true);
    resize(820, 560);

    ParticipantTable = new QTableWidget(0, 2, this);
    ParticipantTable->setObjectName(QStringLiteral("ParticipantTable"));
    ParticipantTable->setHorizontalHeaderLabels({tr2(japanese, "参加者のファイル", "Participant's file"),
                                                 tr2(japanese, "重み", "Weight")});
    ParticipantTable->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    ParticipantTable->verticalHeader()->hide();
    ParticipantTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    ParticipantTable->verticalHeader()->setDefaultSectionSize(ParticipantTable->fontMetrics().height() + 6);
    AddButton = new QPushButton(tr2(japanese, "追加 ...", "Add ..."), this);
    AddButton->setObjectName(QStringLiteral("AddButton"));
    RemoveButton = new QPushButton(tr2(japanese, "削除", "Remove"), this);
    RemoveButton->setObjectName(QStringLiteral("RemoveButton"));
    OpenButton = new QPushButton(tr2(japanese, "統合した文書を開く", "Open combined"), this);
    OpenButton->setObjectName(QStringLiteral("OpenButton"));
    OpenButton->setEnabled(false);
    StatusLabel = new QLabel(this);
    StatusLabel->setObjectName(QStringLiteral("StatusLabel"));
    StatusLabel->setWordWrap(true);
    StatusLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    compatibility_ = new GroupTableModel(GroupTableModel::Table::Compatibility, japanese, this);
    pairs_ = new GroupTableModel(GroupTableModel::Table::Pairs, japanese, this);
    pairValues_ = new GroupTableModel(GroupTableModel::Table::PairValues, japanese, this);
    points_ = new GroupTableModel(GroupTableModel::Table::Points, japanese, this);
    Tabs = new QTabWidget(this);
    Tabs->setObjectName(QStringLiteral("Tabs"));
    CompatibilityTable = makeTable(Tabs, QStringLiteral("CompatibilityTable"), compatibility_);
    auto *pairsSplitter = new QSplitter(Qt::Vertical, Tabs);
    PairsTable = makeTable(pairsSplitter, QStringLiteral("PairsTable"), pairs_);
    PairValuesTable = makeTable(pairsSplitter, QStringLiteral("PairValuesTable"), pairValues_);
    pairsSplitter->addWidget(PairsTable);
    pairsSplitter->addWidget(PairValuesTable);
    pairsSplitter->setStretchFactor(0, 2);
    pairsSplitter->setStretchFactor(1, 1);
    PointsTable = makeTable(Tabs, QStringLiteral("PointsTable"), points_);
    Tabs->addTab(CompatibilityTable, tr2(japanese, "適合度", "Compatibility"));
    Tabs->addTab(pairsSplitter, tr2(japanese, "意見の分かれる組", "Disputed pairs"));
    Tabs->addTab(PointsTable, tr2(japanese, "評価", "Points"));

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(AddButton);
    buttons->addWidget(RemoveButton);
    buttons->addStretch(1);
    buttons->addWidget(OpenButton);
    auto *top = new QHBoxLayout;
    top->addWidget(ParticipantTable, 1);
    top->addLayout(buttons);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 2);
    layout->addWidget(StatusLabel);
    layout->addWidget(Tabs, 5);

    connect(AddButton, &QPushButton::clicked, this, &TGroupForm::AddButtonClick);
    connect(RemoveButton, &QPushButton::clicked, this, &TGroupForm::RemoveButtonClick);
    connect(OpenButton, &QPushButton::clicked, this, &TGroupForm::OpenButtonClick);
    connect(ParticipantTable, &QTableWidget::itemChanged, this, &TGroupForm::ParticipantTableChange);
    connect(PairsTable->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &TGroupForm::PairsTableSelect);
    recompute();
}

TGroupForm::~TGroupForm()
{
    waitForResult();
}

void TGroupForm::addFiles(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    filling_ = true;
    for (const QString &path : paths) {
        const int row = ParticipantTable->rowCount();
        ParticipantTable->insertRow(row);
        auto *file = new QTableWidgetItem(QFileInfo(path).fileName());
        file->setData(Qt::UserRole, QFileInfo(path).absoluteFilePath());
        file->setToolTip(QFileInfo(path).absoluteFilePath());
        file->setFlags(file->flags() & ~Qt::ItemIsEditable);
        ParticipantTable->setItem(row, 0, file);
        auto *weight = new QTableWidgetItem(QStringLiteral("1"));
        weight->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        ParticipantTable->setItem(row, 1, weight);
    }
    filling_ = false;
    recompute();
}

void TGroupForm::AddButtonClick()
{
    const QStringList paths = chooseFiles ? chooseFiles()
                                          : QFileDialog::getOpenFileNames(this, QString(), QString(),
                                                                          QStringLiteral("AHP files (*.AHP *.ahp);;All files (*)"));
    addFiles(paths);
}

void TGroupForm::RemoveButtonClick()
{
    const int row = ParticipantTable->currentRow();
    if (row < 0)
        return;
    ParticipantTable->removeRow(row);
    recompute();
}

void TGroupForm::ParticipantTableChange()
{
    if (!filling_)
        recompute();
}

void TGroupForm::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TGroupForm::dropEvent(QDropEvent *event)
{
    QStringList paths;
    for (const QUrl &url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    addFiles(paths);
    event->acceptProposedAction();
}

void TGroupForm::recompute()
{
    const int generation = ++generation_;
    std::vector<GroupParticipant> participants;
    for (int row = 0; row < ParticipantTable->rowCount(); ++row) {
        const QString path = ParticipantTable->item(row, 0)->data(Qt::UserRole).toString();
        const QString text = ParticipantTable->item(row, 1)->text().trimmed();
        bool ok = false;
        const double weight = text.toDouble(&ok);
        if (!ok || !std::isfinite(weight) || !(weight > 0.0)) {
            showResult(nullptr,
                       japanese_ ? QStringLiteral("%1 の重み「%2」は正の数ではありません。")
                                       .arg(ParticipantTable->item(row, 0)->text(), text)
                                 : QStringLiteral("The weight '%2' of %1 is not a positive number.")
                                       .arg(ParticipantTable->item(row, 0)->text(), text),
                       generation);
            return;
        }
        participants.push_back({path, weight});
    }
    if (participants.empty()) {
        showResult(nullptr,
                   tr2(japanese_, "参加者のファイルを追加するか、このウィンドウにドロップしてください。",
                       "Add the participants' files, or drop them on this window."),
                   generation);
        return;
    }
    StatusLabel->setText(tr2(japanese_, "計算中 ...", "Computing ..."));
    OpenButton->setEnabled(false);
    waitForResult(); // one computation at a time; the newest generation is shown
    // Reading the files and combining them runs off the window's thread.
    worker_ = QThread::create([this, participants, generation, japanese = japanese_] {
        std::shared_ptr<const GroupResult> result;
        QString error;
        try {
            result = std::make_shared<const GroupResult>(CombineGroup(participants, true, japanese));
        } catch (const GroupInputError &failure) {
            error = failure.message();
        } catch (const std::bad_alloc &) {
            error = QStringLiteral("Out of memory.");
        } catch (const std::exception &failure) {
            error = QString::fromLocal8Bit(failure.what());
        }
        QMetaObject::invokeMethod(
            this, [this, result, error, generation] { showResult(result, error, generation); }, Qt::QueuedConnection);
    });
    worker_->start();
}

void TGroupForm::waitForResult()
{
    if (!worker_)
        return;
    worker_->wait();
    delete worker_;
    worker_ = nullptr;
}

void TGroupForm::showResult(std::shared_ptr<const GroupResult> result, const QString &error, int generation)
{
    if (generation != generation_)
        return; // the participants changed since
    result_ = std::move(result);
    for (GroupTableModel *model : {compatibility_, pairs_, pairValues_, points_})
        model->setResult(result_);
    OpenButton->setEnabled(result_ != nullptr);
    if (!result_) {
        StatusLabel->setText(error);
        return;
    }
    QStringList lines;
    const int least = compatibility_->leastCompatible();
    if (least >= 0)
        lines.append(japanese_ ? QStringLiteral("グループとの適合度が最も低い参加者: %1")
                                     .arg(result_->participantNames.at(least))
                               : QStringLiteral("Least compatible with the group: %1")
                                     .arg(result_->participantNames.at(least)));
    if (!result_->pairs.empty()) {
        const DisputedPair &top = result_->pairs.front();
        const GroupMatrix &matrix = result_->matrices[size_t(top.matrix)];
        lines.append(japanese_ ? QStringLiteral("最も意見の分かれる組: %1 の「%2」と「%3」（ばらつき %4）")
                                     .arg(matrix.owner, matrix.items.names.at(top.row),
                                          matrix.items.names.at(top.column), FormatFloat(top.dispersion))
                               : QStringLiteral("Most disputed pair: '%2' and '%3' under %1 (dispersion %4)")
                                     .arg(matrix.owner, matrix.items.names.at(top.row),
                                          matrix.items.names.at(top.column), FormatFloat(top.dispersion)));
    }
    // Participants left out of a matrix.
    for (const QString &note : result_->notes)
        lines.append(note);
    StatusLabel->setText(lines.join(u'\n'));
    if (!result_->pairs.empty())
        PairsTable->selectRow(0);
}

void TGroupForm::PairsTableSelect()
{
    const QModelIndex current = PairsTable->selectionModel()->currentIndex();
    pairValues_->setPair(current.isValid() ? current.row() : -1);
}

void TGroupForm::OpenButtonClick()
{
    if (!result_ || !openCombined)
        return;
    // Through the data file's lines, as the combined file would be read.
    ParsedDataFile parsed = ParseDataFile(FormatDataFile(result_->combined));
    Document document;
    InstallParsedDocument(document, std::move(parsed), nullptr);
    openCombined(document);
}

} // namespace priomat
