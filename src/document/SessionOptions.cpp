#include "document/SessionOptions.h"

#include <utility>

namespace priomat {

namespace {

const QString OptionSection = QStringLiteral("Option");
const QString InputSection = QStringLiteral("Option\\Input");
const QString ColorName = QStringLiteral("Color");
const QString InverseName = QStringLiteral("Inverse");
const QString CalculateName = QStringLiteral("Calculate");

} // namespace

void SessionOptions::load(const SettingReader &read)
{
    setColor(read(OptionSection, ColorName, false).toBool());
    setInverse(read(InputSection, InverseName, true).toBool());
    setCalculateAutomatically(read(OptionSection, CalculateName, true).toBool());
}

void SessionOptions::store(const SettingWriter &write) const
{
    write(OptionSection, ColorName, color_);
    write(InputSection, InverseName, inverse_);
    write(OptionSection, CalculateName, calculateAutomatically_);
}

void SessionOptions::setColor(bool on)
{
    if (std::exchange(color_, on) != on)
        emit changed();
}

void SessionOptions::setInverse(bool on)
{
    if (std::exchange(inverse_, on) != on)
        emit changed();
}

void SessionOptions::setCalculateAutomatically(bool on)
{
    if (std::exchange(calculateAutomatically_, on) != on)
        emit changed();
}

} // namespace priomat
