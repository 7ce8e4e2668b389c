#include "ui/main/CompareForm.h"
#include "ui/UiLanguage.h"

#include "app/Appli.h"
#include "model/ComparisonValue.h"
#include "platform/MessageBox.h"
#include "app/Placement.h"
#include "app/SettingsStore.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>

#include <algorithm>

namespace priomat {

namespace {

const QString Section = QStringLiteral("CompareForm");

QString quoted(const QString &text)
{
    return u'"' + text + u'"';
}

// The slider as a screen reader should say it: named by the question, its value the scale
// text with its wording ("5  'Cost' has strong importance") rather than the step number.
void describeSlider(QSlider *slider, const QLabel *title, const std::array<ClickableLabel *, 17> &labels)
{
    const int position = slider->value();
    QString words;
    if (position >= ScaleFirstPosition && position <= ScaleLastPosition && labels[size_t(position - 1)])
        words = labels[size_t(position - 1)]->text().simplified();
    if (words.isEmpty())
        words = ScaleText(position);
    slider->setAccessibleName(title->text());
    slider->setAccessibleDescription(words);
}

} // namespace

void ClickableLabel::mousePressEvent(QMouseEvent *event)
{
    QLabel::mousePressEvent(event);
    emit clicked();
}

TCompareForm::TCompareForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CompareForm"));
    const QString product = Appli ? Appli->ProductName : QStringLiteral("Priomat");
    setWindowTitle(UiText(QStringLiteral("一対比較 / "), QStringLiteral("Compare / ")) + product);
    resize(370, 303);

    TitleLabel = new ClickableLabel(this);
    TitleLabel->setObjectName(QStringLiteral("TitleLabel"));
    TitleLabel->move(4, 4);
    connect(TitleLabel, &ClickableLabel::clicked, this, &TCompareForm::TitleLabelClick);

    TrackBar1 = new QSlider(Qt::Vertical, this);
    TrackBar1->setObjectName(QStringLiteral("TrackBar1"));
    TrackBar1->setGeometry(4, 20, 45, 217);
    TrackBar1->setRange(ScaleFirstPosition, ScaleLastPosition);
    TrackBar1->setPageStep(1);
    TrackBar1->setSingleStep(1);
    TrackBar1->setTickInterval(1);
    TrackBar1->setTickPosition(QSlider::TicksRight);
    TrackBar1->setInvertedAppearance(true); // position 1 at the top
    TrackBar1->setInvertedControls(true);
    connect(TrackBar1, &QSlider::valueChanged, this, [this] {
        if (!preparing_)
            TrackBar1Change();
        describeSlider(TrackBar1, TitleLabel, Labels);
    });

    for (int n = 1; n <= 17; ++n) {
        auto *label = new ClickableLabel(this);
        label->setObjectName(QStringLiteral("Label%1").arg(n));
        label->setGeometry(56, 26 + 12 * (n - 1), 300, 12);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        connect(label, &ClickableLabel::clicked, this, [this, n] { Label1Click(n); });
        Labels[size_t(n - 1)] = label;
    }

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto *buttons = new QHBoxLayout(Panel1);
    buttons->setContentsMargins(8, 2, 8, 2);
    buttons->addStretch();
    OKButton = new QPushButton(UiText(QStringLiteral("ＯＫ"), QStringLiteral("OK")), Panel1);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    CancelButton = new QPushButton(UiText(QStringLiteral("キャンセル"), QStringLiteral("Cancel")), Panel1);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    storedPlacement_ = ReadSetting(Section, QStringLiteral("Left"), QVariant()).isValid();
    RestoreWindowPlacement(this, Section);
    alignLabels();
}

TCompareForm::~TCompareForm() = default;

void TCompareForm::Prepare(const QString &leafName, const QString &rowName, const QString &colName,
                           const QString &cellText)
{
    const ScaleReading reading = ReadScalePosition(cellText);
    ValueText = reading.valueText;
    ReciprocalText = reading.reciprocalText;
    preparing_ = true;
    TrackBar1->setValue(reading.position);
    preparing_ = false;

    const QString &r = rowName;
    const QString &c = colName;
    if (UiJapanese()) {
        const QString pair = QStringLiteral("「") + r + QStringLiteral("」と「") + c + QStringLiteral("」との比較");
        TitleLabel->setText(leafName.isEmpty() ? pair
                                               : QStringLiteral("「") + leafName + QStringLiteral("」に関する") + pair);
        auto column = [&c](const char *prefix, const char *words) {
            return QString::fromUtf8(prefix) + QStringLiteral("「") + c + QStringLiteral("」の方が") + QString::fromUtf8(words);
        };
        auto row = [&r](const char *prefix, const char *words) {
            return QString::fromUtf8(prefix) + QStringLiteral("「") + r + QStringLiteral("」の方が") + QString::fromUtf8(words);
        };
        Labels[0]->setText(column("1/9  ", "極めて重要(absolute importance)"));
        Labels[2]->setText(column("1/7  ", "非常に重要(very strong importance)"));
        Labels[4]->setText(column("1/5  ", "かなり重要(strong importance)"));
        Labels[6]->setText(column("1/3  ", "やや重要(weak importance)"));
        Labels[8]->setText(QStringLiteral(" 1   どちらも同じくらい重要(equal importance)"));
        Labels[10]->setText(row(" 3   ", "やや重要(weak importance)"));
        Labels[12]->setText(row(" 5   ", "かなり重要(strong importance)"));
        Labels[14]->setText(row(" 7   ", "非常に重要(very strong importance)"));
        Labels[16]->setText(row(" 9   ", "極めて重要(absolute importance)"));
    } else {
        TitleLabel->setText(QStringLiteral("Compare ") + quoted(r) + QStringLiteral(" and ") + quoted(c)
                            + (leafName.isEmpty() ? QString() : QStringLiteral(" for ") + quoted(leafName)) + u'.');
        Labels[0]->setText(QStringLiteral("1/9  ") + quoted(c) + QStringLiteral(" has absolute importance"));
        Labels[2]->setText(QStringLiteral("1/7  ") + quoted(c) + QStringLiteral(" has very strong importance"));
        Labels[4]->setText(QStringLiteral("1/5  ") + quoted(c) + QStringLiteral(" has strong importance"));
        Labels[6]->setText(QStringLiteral("1/3  ") + quoted(c) + QStringLiteral(" has weak importance"));
        Labels[8]->setText(QStringLiteral(" 1   equal importance"));
        Labels[10]->setText(QStringLiteral(" 3   ") + quoted(r) + QStringLiteral(" has weak importance"));
        Labels[12]->setText(QStringLiteral(" 5   ") + quoted(r) + QStringLiteral(" has strong importance"));
        Labels[14]->setText(QStringLiteral(" 7   ") + quoted(r) + QStringLiteral(" has very strong importance"));
        Labels[16]->setText(QStringLiteral(" 9   ") + quoted(r) + QStringLiteral(" has absolute importance"));
    }
    fitTexts();
    describeSlider(TrackBar1, TitleLabel, Labels);
}

static QRect availableArea(const QWidget *widget, const QPoint &near)
{
    const QScreen *screen = QGuiApplication::screenAt(near);
    if (!screen)
        screen = widget->screen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

void TCompareForm::showProgress(const QString &progress)
{
    TitleLabel->setText(progress + QStringLiteral("    ") + TitleLabel->text());
    fitTexts();
}

void TCompareForm::fitTexts()
{
    constexpr int LabelLeft = 56;
    constexpr int Margin = 8;
    const QRect area = availableArea(this, geometry().center());

    // The step labels stay on one line each, level with their track positions.
    int labelsWidth = 300;
    for (const ClickableLabel *label : Labels)
        labelsWidth = std::max(labelsWidth, label->sizeHint().width());
    TitleLabel->setWordWrap(false);
    const int questionWidth = TitleLabel->sizeHint().width();
    const int width = std::min(std::max({this->width(), LabelLeft + labelsWidth + Margin,
                                         TitleLabel->x() + questionWidth + Margin}),
                               area.width());

    // A question wider than the screen allows wraps, and the scale moves down below it.
    const int titleWidth = width - TitleLabel->x() - Margin;
    if (questionWidth > titleWidth) {
        TitleLabel->setWordWrap(true);
        TitleLabel->resize(titleWidth, TitleLabel->heightForWidth(titleWidth));
    } else {
        TitleLabel->resize(questionWidth, TitleLabel->sizeHint().height());
    }
    const int below = std::max(0, TitleLabel->y() + TitleLabel->height() + 2 - 20);
    TrackBar1->move(TrackBar1->x(), 20 + below);
    for (ClickableLabel *label : Labels)
        label->resize(std::min(labelsWidth, width - LabelLeft - Margin),
                      std::max(12, label->sizeHint().height()));

    const int height = std::min(std::max(this->height(), 303 + below), area.height());
    resize(width, height);
    alignLabels();
}

void TCompareForm::placeBeside(const QRect &cell)
{
    if (storedPlacement_)
        return;
    const QRect area = availableArea(this, cell.center());
    constexpr int Gap = 8;
    int x = cell.right() + 1 + Gap;
    if (x + width() > area.right() + 1)
        x = cell.left() - Gap - width();
    int y = cell.top();
    x = std::clamp(x, area.left(), std::max(area.left(), area.right() + 1 - width()));
    y = std::clamp(y, area.top(), std::max(area.top(), area.bottom() + 1 - height()));
    move(x, y);
}

void TCompareForm::TrackBar1Change()
{
    const int position = TrackBar1->value();
    ValueText = ScaleText(position);
    ReciprocalText = ScaleReciprocalText(position);
}

void TCompareForm::Label1Click(int number)
{
    TrackBar1->setValue(number);
    TrackBar1Change();
    accept();
}

void TCompareForm::TitleLabelClick()
{
    ShowMessageBox(QStringLiteral("Programed by Tarvek."), QStringLiteral("Programer"),
                   platform::MB_OK | platform::MB_ICONINFORMATION);
}

void TCompareForm::keyPressEvent(QKeyEvent *event)
{
    const QString text = event->text();
    if (text.size() == 1 && text.at(0) >= u'1' && text.at(0) <= u'9') {
        const int digit = text.at(0).unicode() - u'0';
        ValueText = QString::number(digit);
        ReciprocalText = digit == 1 ? QStringLiteral("1") : QStringLiteral("1/") + ValueText;
        preparing_ = true;
        TrackBar1->setValue(digit + 8);
        preparing_ = false;
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

int TCompareForm::trackPositionY(int position) const
{
    QStyleOptionSlider option;
    option.initFrom(TrackBar1);
    option.orientation = Qt::Vertical;
    option.minimum = TrackBar1->minimum();
    option.maximum = TrackBar1->maximum();
    option.sliderPosition = position;
    option.sliderValue = position;
    option.upsideDown = !TrackBar1->invertedAppearance();
    option.tickPosition = TrackBar1->tickPosition();
    option.tickInterval = TrackBar1->tickInterval();
    option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    const QRect handle = TrackBar1->style()->subControlRect(QStyle::CC_Slider, &option,
                                                            QStyle::SC_SliderHandle, TrackBar1);
    return TrackBar1->y() + handle.center().y();
}

void TCompareForm::alignLabels()
{
    // Each label stands level with its track position, whatever the style's handle size.
    for (int n = 1; n <= 17; ++n) {
        ClickableLabel *label = Labels[size_t(n - 1)];
        label->move(56, trackPositionY(n) - label->height() / 2);
    }
    Panel1->setGeometry(0, height() - 32, width(), 32);
}

void TCompareForm::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    alignLabels();
}

void TCompareForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    alignLabels();
}

void TCompareForm::done(int result)
{
    SaveWindowPlacement(this, Section);
    QDialog::done(result);
}

} // namespace priomat
