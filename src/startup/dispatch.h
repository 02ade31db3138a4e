#pragma once
// The dispatch point: operations registered by name, run by the screens'
// buttons and by the command script. An operation owner registers its
// handler under the name the screens use (moxops in shell/screens.h).
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

struct TMoxContext;

// A registered operation. Errors it does not handle itself are raised
// (EMoxError) and reach the caller of TDispatch::run.
using TOperation = std::function<void(TMoxContext &ctx, const QStringList &args)>;

class TDispatch {
public:
    // Registers (or replaces) the handler of a name.
    void registerOperation(const QString &name, TOperation op);
    bool has(const QString &name) const;
    QStringList names() const;

    // Runs the operation of that name. A name without a handler is reported
    // as "<name>: ni na voljo" in the run log and by infoMessage, and gives
    // false. Errors of the operation are not caught here.
    bool run(TMoxContext &ctx, const QString &name, const QStringList &args = {}) const;

private:
    QHash<QString, TOperation> m_ops;
};

// Operations the main window runs besides those of the screens.
namespace moxshellops {
// The structure editors of the menu "Priprava" (modal windows).
inline constexpr const char *urediStrukturo = "urediStrukturo";
inline constexpr const char *urediMasterDetail = "urediMasterDetail";
} // namespace moxshellops

// Lets the window process pending events between two records of a long
// operation (repaints its counters, lets "Prekini" set pKonec). Does nothing
// without a window.
void obdelajDogodke(TMoxContext &ctx);

// The message for an operation that has no handler.
QString niNaVoljo(const QString &name);
// Reports that message in the run log and by infoMessage.
void javiNiNaVoljo(TMoxContext &ctx, const QString &name);
