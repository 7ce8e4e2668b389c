#include "OptionForm.h"

namespace priomat {

TOptionForm::TOptionForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("OptionForm"));
}

} // namespace priomat
