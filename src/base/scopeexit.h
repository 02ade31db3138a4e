#pragma once
// Runs a step when the scope ends, however it ends. When the scope ends
// normally, an error of the step reaches the caller. When the scope is left
// by an error, that error is the one that travels on, and an error of the step
// is written to standard error so that it is never lost unseen.
#include "base/moxerror.h"

#include <QString>

#include <cstdio>
#include <exception>
#include <utility>

template <class F> class TNaKoncu {
public:
    explicit TNaKoncu(F f) : m_f(std::move(f)), m_napakVLetu(std::uncaught_exceptions()) {}
    ~TNaKoncu() noexcept(false)
    {
        if (std::uncaught_exceptions() == m_napakVLetu) {
            m_f();
            return;
        }
        try {
            m_f();
        } catch (const EMoxError &e) {
            porocaj(e.message());
        } catch (const std::exception &e) {
            porocaj(QString::fromLocal8Bit(e.what()));
        }
    }
    TNaKoncu(const TNaKoncu &) = delete;
    TNaKoncu &operator=(const TNaKoncu &) = delete;

private:
    static void porocaj(const QString &napaka)
    {
        std::fprintf(stderr, "%s\n", (QStringLiteral("NAPAKA pri zaključevanju: ") + napaka).toLocal8Bit().constData());
    }

    F m_f;
    int m_napakVLetu;
};
