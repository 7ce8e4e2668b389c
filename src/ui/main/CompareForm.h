// The pairwise comparison dialog: one matrix cell chosen on the 17-step scale.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QString>

#include <array>

class QPushButton;
class QSlider;

namespace priomat {

// A label that reports clicks, so every step's wording and the gaps between them are targets.
class ClickableLabel : public QLabel
{
    Q_OBJECT

public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
};

class TCompareForm : public QDialog
{
    Q_OBJECT

public:
    explicit TCompareForm(QWidget *parent = nullptr);
    ~TCompareForm() override;

    // Sets the starting position and every text. `leafName` is empty for a requirement matrix.
    // Throws ComputationError when the cell text is not an integer scale text (such as 2.5).
    void Prepare(const QString &leafName, const QString &rowName, const QString &colName,
                 const QString &cellText);

    // Without a stored placement, moves the dialog next to the cell it was opened for (screen
    // coordinates), inside the screen's work area.
    void placeBeside(const QRect &cell);

    // A line put before the question, such as how far a series of questions has come.
    void showProgress(const QString &progress);

    void TrackBar1Change();
    void Label1Click(int number);
    void TitleLabelClick();

    // The centre line of track position `position`, in dialog coordinates.
    int trackPositionY(int position) const;

    QString ValueText;
    QString ReciprocalText;

    ClickableLabel *TitleLabel;
    QSlider *TrackBar1;
    std::array<ClickableLabel *, 17> Labels{};
    QWidget *Panel1;
    QPushButton *OKButton;
    QPushButton *CancelButton;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void done(int result) override;

private:
    void alignLabels();
    void fitTexts();
    bool preparing_ = false;
    bool storedPlacement_ = false;
};

} // namespace priomat
