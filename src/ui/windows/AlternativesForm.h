// The alternatives window: one alternative per line. Created hidden at start-up.
#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;

namespace priomat {

class TAlternativesForm : public QWidget
{
    Q_OBJECT

public:
    explicit TAlternativesForm(QWidget *parent = nullptr);

    QPlainTextEdit *AlternativesMemo;
    QLabel *AlternativesLabel;

protected:
    void closeEvent(QCloseEvent *event) override;
};

extern TAlternativesForm *AlternativesForm;

} // namespace priomat
