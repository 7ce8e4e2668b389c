#include "model/ComputationError.h"

#include "model/ComparisonMatrix.h"

namespace priomat {

ComputationError::ComputationError(Kind kind, QString valueText)
    : kind_(kind), valueText_(std::move(valueText))
{
    what_ = message().toUtf8();
}

ComputationError ComputationError::tooLarge(qsizetype size)
{
    ComputationError error(Kind::TooLarge, QString());
    error.matrixSize_ = size;
    error.what_ = error.message().toUtf8();
    return error;
}

void ComputationError::setOwner(const QString &caption)
{
    owner_ = caption;
    hasOwner_ = true;
    what_ = message().toUtf8();
}

QString ComputationError::message(bool japanese) const
{
    if (kind_ == Kind::TooLarge) {
        const QString owner = hasOwner_ ? owner_ : QString();
        if (japanese)
            return QStringLiteral("「%1」の行列は %2 項目あり、大きすぎて計算できません（上限 %3 項目）。")
                .arg(owner).arg(matrixSize_).arg(MaxComputedMatrixSize);
        return QStringLiteral("The matrix of '%1' has %2 items, too many to compute (at most %3)")
            .arg(owner).arg(matrixSize_).arg(MaxComputedMatrixSize);
    }
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
    case Kind::TooLarge:
        break;
    }
    if (hasOwner_)
        text += QStringLiteral(" in the matrix of '%1'").arg(owner_);
    return text;
}

} // namespace priomat
