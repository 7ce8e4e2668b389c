// Points a global (Appli, BaseForm, ...) at an object for one scope and puts the previous
// value back however the scope ends, so a failing check never leaves a dangling global.
#pragma once

namespace priomat::test {

template <typename T>
class ScopedGlobal
{
public:
    ScopedGlobal(T *&global, T *value) : global_(global), previous_(global) { global_ = value; }
    ~ScopedGlobal() { global_ = previous_; }
    ScopedGlobal(const ScopedGlobal &) = delete;
    ScopedGlobal &operator=(const ScopedGlobal &) = delete;

private:
    T *&global_;
    T *previous_;
};

} // namespace priomat::test
