// The error raised when a comparison value cannot be read or breaks the arithmetic.
#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace priomat {

class ComputationError : public std::exception
{
public:
    enum class Kind {
        Conversion,       // the text is not a number
        DivisionByZero,   // "1/0", or an entry 0 that makes a weight 0
        InvalidOperation, // a negative entry: its row has no real geometric mean
        Overflow,         // the numbers leave the range of a double
        TooLarge,         // more items than MaxComputedMatrixSize
    };

    ComputationError(Kind kind, QString valueText);
    // A matrix of `size` items, too many to compute.
    static ComputationError tooLarge(qsizetype size);

    Kind kind() const { return kind_; }
    // The value text that failed, as stored.
    const QString &valueText() const { return valueText_; }
    // Caption of the node whose matrix was being computed, when known.
    const QString &owner() const { return owner_; }
    void setOwner(const QString &caption);

    // Matrix size of a TooLarge error, else 0.
    qsizetype matrixSize() const { return matrixSize_; }

    // English, as the arithmetic errors of the runtime; a TooLarge error also has Japanese.
    QString message(bool japanese = false) const;
    const char *what() const noexcept override { return what_.constData(); }

private:
    Kind kind_;
    QString valueText_;
    QString owner_;
    bool hasOwner_ = false;
    qsizetype matrixSize_ = 0;
    QByteArray what_;
};

} // namespace priomat
