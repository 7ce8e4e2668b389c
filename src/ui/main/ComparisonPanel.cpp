#include "ui/main/ComparisonPanel.h"
#include "ui/UiLanguage.h"

#include "app/Placement.h"
#include "document/DocumentSession.h"
#include "document/MatrixColours.h"
#include "model/ComparisonMatrix.h"
#include "model/ConsistencyAdvisor.h"
#include "model/FloatFormat.h"
#include "ui/main/MatrixGrid.h"
#include "ui/main/ReadableColours.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace priomat {

namespace {

QLabel *makeLabel(const QString &name, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

// A warning triangle in the index's own colour, outlined and marked in `ink`, so that its shape
// stands out from the panel even where the fill colour does not.
QIcon warningIcon(const QColor &fill, const QColor &ink)
{
    QIcon icon;
    for (const int size : {16, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal unit = size / 16.0;
        const QPolygonF triangle{QPointF(8 * unit, 1.2 * unit), QPointF(15.2 * unit, 14.6 * unit),
                                 QPointF(0.8 * unit, 14.6 * unit)};
        painter.setPen(QPen(ink, 1.6 * unit, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(fill);
        painter.drawPolygon(triangle);
        painter.setPen(Qt::NoPen);
        painter.setBrush(ink);
        painter.drawRoundedRect(QRectF(7.1 * unit, 5 * unit, 1.8 * unit, 5.4 * unit), 0.6 * unit, 0.6 * unit);
        painter.drawEllipse(QPointF(8 * unit, 12.2 * unit), 1.05 * unit, 1.05 * unit);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

TComparisonPanel::TComparisonPanel(DocumentSession &session, QWidget *parent) : QWidget(parent), session_(session)
{
    setObjectName(QStringLiteral("ComparisonPanel"));
    CaptionLabel = makeLabel(QStringLiteral("CaptionLabel"), QStringLiteral("要求キャプション"), this);
    CaptionEdit = new QLineEdit(this);
    CaptionEdit->setObjectName(QStringLiteral("CaptionEdit"));
    MatrixLabel = makeLabel(QStringLiteral("MatrixLabel"), QStringLiteral("一対比較マトリックス"), this);
    MatrixGrid = new TMatrixGrid(this);
    MatrixGrid->setObjectName(QStringLiteral("MatrixGrid"));
    MatrixGrid->setColumnWidth(0, 96);
    MatrixMessage = makeLabel(QStringLiteral("MatrixMessage"), QString(), this);
    MatrixMessage->setWordWrap(true);
    MatrixMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    MatrixMessage->hide();
    ConsistencyLabel = makeLabel(QStringLiteral("ConsistencyLabel"), QStringLiteral("整合度"), this);
    ConsistencyLabel2 = makeLabel(QStringLiteral("ConsistencyLabel2"), QStringLiteral("　完璧に整合していれば０"), this);
    ConsistencyLabel3 = makeLabel(QStringLiteral("ConsistencyLabel3"),
                                  QStringLiteral("　０．１（場合によっては０．１５）以下なら合格"), this);
    ConsistencyEdit = new QLineEdit(this);
    ConsistencyEdit->setObjectName(QStringLiteral("ConsistencyEdit"));
    ConsistencyEdit->setReadOnly(true);
    ConsistencyEdit->setFocusPolicy(Qt::TabFocus); // reachable by Tab, so that a screen reader reads it
    QPalette panelColour = ConsistencyEdit->palette();
    panelColour.setColor(QPalette::Base, panelColour.color(QPalette::Window));
    ConsistencyEdit->setPalette(panelColour);
    AdvisorButton = new QPushButton(QStringLiteral("アドバイザ..."), this);
    AdvisorButton->setObjectName(QStringLiteral("AdvisorButton"));
    AdvisorButton->setFocusPolicy(Qt::NoFocus);
    AdvisorButton->hide();
    ConsistencyRatio = makeLabel(QStringLiteral("ConsistencyRatio"), QString(), this);
    ConsistencyRatio->setContentsMargins(4, 0, 4, 0);
    ConsistencyRatio->hide();
    MatrixNotice = makeLabel(QStringLiteral("MatrixNotice"), QString(), this);
    MatrixNotice->setWordWrap(true);
    MatrixNotice->setTextFormat(Qt::PlainText);
    MatrixNotice->setMargin(3);
    // Dark text on a pale yellow, readable whatever the panel's colours.
    MatrixNotice->setStyleSheet(QStringLiteral("QLabel { background: #FFF3B0; color: #202020; border: 1px solid #C8A800; }"));
    MatrixNotice->hide();

    // The labels name their fields for assistive technology; the grid, a view, takes no name
    // from its label and is given the label's text.
    MatrixGrid->setAccessibleName(UiText(QStringLiteral("一対比較マトリックス"), QStringLiteral("Matrix for Pair Comparison")));
    CaptionLabel->setBuddy(CaptionEdit);
    MatrixLabel->setBuddy(MatrixGrid);
    ConsistencyLabel->setBuddy(ConsistencyEdit);

    auto *panelLayout = new QVBoxLayout(this);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(0);
    panelLayout->addWidget(CaptionLabel);
    panelLayout->addWidget(CaptionEdit);
    panelLayout->addWidget(MatrixLabel);
    panelLayout->addWidget(MatrixNotice);
    panelLayout->addWidget(MatrixGrid, 1);
    panelLayout->addWidget(MatrixMessage, 1);
    panelLayout->addWidget(ConsistencyLabel);
    panelLayout->addWidget(ConsistencyLabel2);
    panelLayout->addWidget(ConsistencyLabel3);
    // The index shares its line with the ratio and the advisor button.
    auto *indexRow = new QHBoxLayout;
    indexRow->setSpacing(4);
    indexRow->addWidget(ConsistencyEdit, 1);
    indexRow->addWidget(ConsistencyRatio);
    indexRow->addWidget(AdvisorButton);
    panelLayout->addLayout(indexRow);
    // Another document may put its nodes where the old ones were.
    connect(&session_, &DocumentSession::documentReplaced, this, [this] { fitted_ = {}; });
}

void TComparisonPanel::applyEnglishTexts()
{
    CaptionLabel->setText(QStringLiteral("Requirement Caption"));
    MatrixLabel->setText(QStringLiteral("Matrix for Pair Comparison"));
    ConsistencyLabel->setText(QStringLiteral("Consistency Index"));
    ConsistencyLabel2->setText(QStringLiteral("  0: perfectly consistent"));
    ConsistencyLabel3->setText(QStringLiteral("  0.1 (or 0.15) or below: acceptable"));
    AdvisorButton->setText(QStringLiteral("Advisor..."));
}

void TComparisonPanel::hideGrid()
{
    MatrixGrid->hide();
    fitted_ = {};
    ConsistencyEdit->clear();
    showConsistencyCue(ConsistencyCue::None);
}

void TComparisonPanel::refresh()
{
    const RequirementNode *node = session_.currentNode();
    MatrixMessage->hide();
    showMatrixNotice();
    showConsistencyRatio(std::nullopt, 0);
    QPalette panelColours = ConsistencyEdit->palette();
    panelColours.setColor(QPalette::Base, QApplication::palette().color(QPalette::Window));
    panelColours.setColor(QPalette::Text, QApplication::palette().color(QPalette::WindowText));
    ConsistencyEdit->setPalette(panelColours);
    if (!node) {
        CaptionEdit->clear();
        CaptionEdit->setEnabled(false);
        hideGrid();
        return;
    }
    CaptionEdit->setEnabled(true);
    if (CaptionEdit->text() != node->caption())
        CaptionEdit->setText(node->caption());

    const ShownMatrix &shown = session_.shownMatrix();
    const int n = shown.size();
    if (n == 0) {
        hideGrid();
        return;
    }
    if (n > DocumentSession::GridLimit) {
        // Far too many cells for a grid: say so instead of building it.
        hideGrid();
        MatrixGrid->setRowCount(0);
        MatrixGrid->setColumnCount(0);
        MatrixGrid->resetCellColours(0);
        MatrixMessage->setText(
            UiText(QStringLiteral("「%1」の一対比較マトリックスは %2 × %2 で、表に表示できる大きさ（%3 × %3）を超えています。"),
                   QStringLiteral("The matrix of \"%1\" is %2 × %2, larger than the grid can show (%3 × %3)."))
                .arg(node->caption())
                .arg(n)
                .arg(DocumentSession::GridLimit));
        MatrixMessage->show();
        return;
    }

    MatrixGrid->setColumnCount(n + 2);
    MatrixGrid->setRowCount(n + 1);
    MatrixGrid->resetCellColours(n);
    const ComparisonMatrix matrix = ComparisonMatrix::of(session_.document(), shown.items);
    std::vector<const QString *> entries;
    MatrixGrid->setCellText(0, 0, QString());
    for (int i = 1; i <= n; ++i) {
        const QString letter(QChar(char16_t(64 + i)));
        MatrixGrid->setCellText(i, 0, u'(' + letter + u')');
        MatrixGrid->setCellText(0, i, u'(' + letter + QStringLiteral(") ") + shown.items.names.at(i - 1));
        matrix.rowEntries(i - 1, entries);
        for (int j = 1; j <= n; ++j) {
            const QString *entry = entries[size_t(j - 1)];
            MatrixGrid->setCellText(j, i, i == j ? QStringLiteral("1") : entry ? *entry : QStringLiteral("-"));
        }
    }
    MatrixGrid->setCellText(n + 1, 0, UiText(QStringLiteral("重み"), QStringLiteral("Weight")));
    showWeightsAndConsistency();
    FittedLayout layout{node, shown.items.names, MatrixGrid->font().key()};
    if (layout != fitted_) {
        for (int i = 1; i <= n; ++i)
            MatrixGrid->fitColumn(i, MatrixGrid->verticalHeader()->defaultSectionSize(), true);
        MatrixGrid->fitColumn(n + 1, 128);
        fitted_ = std::move(layout);
    }
    MatrixGrid->show();
}

void TComparisonPanel::showWeightsAndConsistency()
{
    const ShownMatrix &shown = session_.shownMatrix();
    const int n = shown.size();
    if (!session_.currentNode() || n == 0 || n > DocumentSession::GridLimit)
        return;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            if (i != j)
                MatrixGrid->setCellColour(j, i, colourValueOf(shown.colourAt(i, j)));
        }
    }
    MatrixGrid->setCompletedCells(shown.completed, n);
    MatrixGrid->markedCell = shown.errorRow >= 0 ? QPoint(shown.errorColumn + 1, shown.errorRow + 1) : QPoint(-1, -1);

    // A warning state is a badge in its colour behind dark text, so that the text stays readable;
    // red is lightened a little, since dark text on full red reads poorly even at 5:1.
    const QColor failing = Blend(ColorFromValue(0x0000FF), Qt::white, 0.3);
    QColor badge;
    if (!shown.computed) {
        // No number that could be taken for a result: the weights stay empty.
        for (int i = 0; i < n; ++i)
            MatrixGrid->setCellText(n + 1, i + 1, QString());
        ConsistencyEdit->setText(UiText(QStringLiteral("計算できません"), QStringLiteral("cannot be computed")));
        badge = failing;
    } else if (n < 2) {
        MatrixGrid->setCellText(2, 1, QStringLiteral("1"));
        ConsistencyEdit->setText(QStringLiteral("0"));
    } else {
        for (int i = 0; i < n; ++i)
            MatrixGrid->setCellText(n + 1, i + 1, FormatFloat(shown.weights[size_t(i)]));
        const double ci = shown.consistencyIndex;
        ConsistencyEdit->setText(FormatFloat(ci));
        if (ci > 0.15)
            badge = failing;
        else if (ci > 0.1)
            badge = ColorFromValue(0x00FFFF);
    }
    const QPalette standard = QApplication::palette();
    QPalette palette = ConsistencyEdit->palette();
    palette.setColor(QPalette::Base, badge.isValid() ? badge : standard.color(QPalette::Window));
    palette.setColor(QPalette::Text, ReadableInk(standard.color(QPalette::WindowText), palette.color(QPalette::Base)));
    ConsistencyEdit->setPalette(palette);
    if (!shown.computed)
        showConsistencyCue(ConsistencyCue::Failed);
    else if (n >= 2 && shown.consistencyIndex > 0.15)
        showConsistencyCue(ConsistencyCue::Poor);
    else if (n >= 2 && shown.consistencyIndex > 0.1)
        showConsistencyCue(ConsistencyCue::Doubtful);
    else {
        showConsistencyCue(ConsistencyCue::None);
        ConsistencyEdit->setAccessibleDescription(
            UiText(QStringLiteral("整合度は０．１以下で、合格です"), QStringLiteral("The consistency index is 0.1 or less: acceptable")));
    }
    showConsistencyRatio(shown.consistencyRatio(), shown.computed ? n : 0);
    MatrixGrid->viewport()->update();
}

bool TComparisonPanel::isMatrixCell(int column, int row) const
{
    return row >= 1 && row <= MatrixGrid->rowCount() - 1 && column >= 1
           && column <= MatrixGrid->columnCount() - 2 && row != column && !MatrixGrid->isHidden();
}

void TComparisonPanel::showConsistencyCue(ConsistencyCue cue)
{
    if (!consistencyCue_) {
        consistencyCue_ = ConsistencyEdit->addAction(QIcon(), QLineEdit::LeadingPosition);
        consistencyCue_->setObjectName(QStringLiteral("ConsistencyCue"));
    }
    consistencyCue_->setVisible(cue != ConsistencyCue::None);
    ConsistencyEdit->setAccessibleDescription(QString()); // a screen reader reads the state with the number
    if (cue == ConsistencyCue::None)
        return;
    // Black or white, whichever stands out more from the field's background.
    const QColor background = ConsistencyEdit->palette().color(QPalette::Base);
    const QColor ink = ContrastRatio(Qt::black, background) >= ContrastRatio(Qt::white, background) ? QColor(Qt::black)
                                                                                                   : QColor(Qt::white);
    QString tip;
    switch (cue) {
    case ConsistencyCue::Doubtful:
        tip = UiText(QStringLiteral("整合度が０．１を超えています（場合によっては０．１５まで合格）"),
                     QStringLiteral("The consistency index is above 0.1 (acceptable up to 0.15 in some cases)"));
        break;
    case ConsistencyCue::Poor:
        tip = UiText(QStringLiteral("整合度が０．１５を超えています"), QStringLiteral("The consistency index is above 0.15"));
        break;
    default:
        tip = UiText(QStringLiteral("整合度を計算できません"), QStringLiteral("The consistency index cannot be computed"));
        break;
    }
    const quint32 fill = cue == ConsistencyCue::Doubtful ? 0x00FFFF : 0x0000FF;
    // Drawn again only when its colours change, not on every edit.
    const quint64 iconKey = (quint64(fill) << 32) | ink.rgb();
    if (iconKey != cueIconKey_) {
        consistencyCue_->setIcon(warningIcon(ColorFromValue(fill), ink));
        cueIconKey_ = iconKey;
    }
    consistencyCue_->setToolTip(tip);
    consistencyCue_->setText(tip);
    ConsistencyEdit->setAccessibleDescription(tip);
}

void TComparisonPanel::showConsistencyRatio(std::optional<double> ratio, int size)
{
    if (size < 2) {
        ConsistencyRatio->hide();
        return;
    }
    const RandomIndex ri = RandomIndexFor(size);
    QFont font = ConsistencyRatio->font();
    font.setBold(ratio && *ratio > 0.1);
    ConsistencyRatio->setFont(font);
    if (!ratio || ri.table == RandomIndexTable::None) {
        // Two items are always consistent: RI(2) is 0 and the ratio is not defined.
        ConsistencyRatio->setText(QStringLiteral("CR \u2013"));
        ConsistencyRatio->setToolTip(UiText(QStringLiteral("整合比 CR は 3 項目以上のマトリックスで定義されます。"),
                                            QStringLiteral("The consistency ratio CR is defined for three or more items.")));
    } else {
        ConsistencyRatio->setText(QStringLiteral("CR ") + QString::number(*ratio, 'f', 2));
        const QString ci = FormatFloat(session_.shownMatrix().consistencyIndex);
        const QString riText = QString::number(ri.value, 'g', 4);
        ConsistencyRatio->setToolTip(
            UiText(QStringLiteral("整合比 CR = CI / RI(%1) = %2 / %3（%4）。CR ≤ 0.1 なら合格（Saaty の基準）。"),
                   QStringLiteral("Consistency ratio CR = CI / RI(%1) = %2 / %3 (%4). Acceptable when CR ≤ 0.1 (Saaty's rule)."))
                .arg(size)
                .arg(ci, riText, RandomIndexTableName(ri.table, UiJapanese())));
    }
    ConsistencyRatio->show();
}

void TComparisonPanel::showMatrixNotice()
{
    QStringList lines;
    const ShownMatrix &shown = session_.shownMatrix();
    if (!shown.repeatedNames.isEmpty() && shown.node == session_.currentNode()) {
        // Each name with the letters of its rows, as the grid labels them.
        QStringList named;
        for (const QString &name : shown.repeatedNames) {
            QStringList letters;
            for (qsizetype i = 0; i < shown.items.names.size(); ++i) {
                if (shown.items.names.at(i).compare(name, Qt::CaseInsensitive) == 0)
                    letters.append(QString(QChar(char16_t(65 + i))));
            }
            const QString rows = u'(' + letters.join(QStringLiteral(", ")) + u')';
            named.append(UiText(u'「' + name + QStringLiteral("」") + rows, u'"' + name + QStringLiteral("\" ") + rows));
        }
        const QString names = named.join(UiText(QStringLiteral("、"), QStringLiteral(", ")));
        lines.append(UiText(QStringLiteral("同じ名前が複数あります: %1。これらの行と列は同じ一対比較を読むため区別できません。"),
                            QStringLiteral("Repeated names in this matrix: %1. Their rows and columns read the same judgements and cannot be told apart."))
                         .arg(names));
    }
    const QString notice = session_.renameNotice();
    if (!notice.isEmpty())
        lines.append(notice);
    MatrixNotice->setText(lines.join(u'\n'));
    MatrixNotice->setVisible(!lines.isEmpty());
}

} // namespace priomat
