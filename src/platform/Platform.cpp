#include "platform/Platform.h"

namespace priomat::platform {

namespace {
Services current;
}

Services &services()
{
    return current;
}

void setServices(const Services &services)
{
    current = services;
}

} // namespace priomat::platform
