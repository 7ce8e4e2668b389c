// The language of the windows' texts, decided in one place.
#pragma once

#include "app/Appli.h"

#include <QString>

namespace priomat {

// Japanese unless the running program chose English; Japanese with no program object (tests).
inline bool UiJapanese()
{
    return !Appli || Appli->Japanese;
}

// The text in the interface language.
inline QString UiText(const QString &japaneseText, const QString &englishText)
{
    return UiJapanese() ? japaneseText : englishText;
}

} // namespace priomat
