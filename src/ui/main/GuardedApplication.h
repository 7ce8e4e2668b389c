// The application object of the window program: an exception that reaches the event loop ends
// only the event that raised it, with its message shown, instead of the whole program.
#pragma once

#include <QApplication>

#include <exception>

namespace priomat {

class GuardedApplication : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject *receiver, QEvent *event) override;

    // The message shown for an error that ended an event or the start.
    static QString messageOf(const std::exception &error);
};

} // namespace priomat
