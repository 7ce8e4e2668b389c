// The options dialog: a category tree with one page per category; the Font page's sample.
#pragma once

#include <QDialog>

namespace priomat {

class TOptionForm : public QDialog
{
    Q_OBJECT

public:
    explicit TOptionForm(QWidget *parent = nullptr);
};

} // namespace priomat
