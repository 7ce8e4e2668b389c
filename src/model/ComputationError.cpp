#include "model/ComputationError.h"

namespace priomat {

ComputationError::ComputationError(Kind kind, QString valueText)
    : kind_(kind), valueText_(std::move(valueText))
{
    what_ = message().toUtf8();
}

void ComputationError::setOwner(const QString &caption)
{
    owner_ = caption;
    hasOwner_ = true;
    what_ = message().toUtf8();
}

QString ComputationError::message() const
{
    QString text;
    switch (kind_) {
    case Kind::Conversion:
        text = QStringLiteral("'%1' is not a valid floating point value").arg(valueText_);
        break;
    case Kind::DivisionByZero:
        text = QStringLiteral("Floating point division by zero caused by the value '%1'").arg(valueText_);
        break;
    case Kind::InvalidOperation:
        text = QStringLiteral("Invalid floating point operation caused by the value '%1'").arg(valueText_);
        break;
    case Kind::Overflow:
        text = valueText_.isEmpty()
                   ? QStringLiteral("Floating point overflow")
                   : QStringLiteral("Floating point overflow caused by the value '%1'").arg(valueText_);
        break;
    }
    if (hasOwner_)
        text += QStringLiteral(" in the matrix of '%1'").arg(owner_);
    return text;
}

} // namespace priomat
