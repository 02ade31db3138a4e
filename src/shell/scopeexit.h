#pragma once
// Runs a step when the scope ends, however it ends. Errors of the step are
// dropped: the error that ended the scope is the one that matters.
#include <utility>

template <class F> class TNaKoncu {
public:
    explicit TNaKoncu(F f) : m_f(std::move(f)) {}
    ~TNaKoncu()
    {
        try {
            m_f();
        } catch (...) {
        }
    }
    TNaKoncu(const TNaKoncu &) = delete;
    TNaKoncu &operator=(const TNaKoncu &) = delete;

private:
    F m_f;
};
