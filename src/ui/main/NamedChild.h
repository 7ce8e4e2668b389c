// Reaching a window's controls from outside the window (tests, tools, benchmarks) by the
// object names the window gives them.
#pragma once

#include <QObject>
#include <QtGlobal>

namespace priomat {

template <typename T>
T *named(const QObject &window, const char *name)
{
    T *child = window.findChild<T *>(QLatin1String(name));
    if (!child)
        qFatal("no control named %s", name);
    return child;
}

} // namespace priomat
