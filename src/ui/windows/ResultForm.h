// The result window: the overall evaluation's two lists. Created hidden at start-up.
#pragma once

#include <QWidget>

namespace priomat {

class TResultForm : public QWidget
{
    Q_OBJECT

public:
    explicit TResultForm(QWidget *parent = nullptr);

protected:
    void closeEvent(QCloseEvent *event) override;
};

extern TResultForm *ResultForm;

} // namespace priomat
