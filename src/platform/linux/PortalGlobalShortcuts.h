#pragma once

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

#include "PortalTrigger.h"
#include "platform/HotKeys.h"

namespace platform::linux_ {

class TPortalReceiver;

// Hotkeys through the desktop portal's GlobalShortcuts, for Wayland sessions, where a key grab
// on the X root sees keys only while an X11 window has the focus. The portal answers every
// request later, by a Response signal, so Register accepts each well-formed combination and
// queues it; changes made in one turn of the event loop go to the portal together, as one
// session holding every combination. A combination the portal refuses or drops later is
// reported through OnRefused. The shortcuts go both into CreateSession's options and into
// BindShortcuts, since some backends bind only the former, and what is bound is read back with
// ListShortcuts. When the portal or its backend ends and starts again, the set is bound again.
// Nothing here waits for the portal: a silent one leaves the availability unknown.
class TPortalGlobalShortcuts : public IHotKeys {
public:
    // BusAddress: the session bus to use; empty means the session bus of the environment.
    explicit TPortalGlobalShortcuts(const QString &BusAddress = {});
    ~TPortalGlobalShortcuts() override;
    TPortalGlobalShortcuts(const TPortalGlobalShortcuts &) = delete;
    TPortalGlobalShortcuts &operator=(const TPortalGlobalShortcuts &) = delete;

    bool Register(uint16_t Id, uint32_t Modifiers, uint32_t VirtualKey) override;
    bool Unregister(uint16_t Id) override;
    void SetOnPressed(TOnPressed Handler) override { FOnPressed = std::move(Handler); }
    void SetOnRefused(TOnRefused Handler) override { FOnRefused = std::move(Handler); }
    std::optional<bool> Available() override;
    void SetOnAvailable(TOnAvailable Handler) override { FOnAvailable = std::move(Handler); }

    // Whether the combination registered under Id is bound by the portal now.
    bool Bound(uint16_t Id) const;
    // True while a change has not yet been answered by the portal.
    bool Busy() const { return FBusy || FSyncQueued || FPending; }

private:
    friend class TPortalReceiver;
    struct TShortcut {
        uint16_t Id;
        uint32_t Modifiers;
        uint32_t VirtualKey;
        QString ShortcutId;
        QString Trigger;
        bool Bound = false;
        bool Refused = false;
    };

    void QueueSync();
    void Sync();
    void CloseSession();
    // Calls a portal method whose answer comes as a Response; OnResponse gets the code and results.
    void Request(const QString &Method, QList<QVariant> Arguments, QVariantMap Options,
                 std::function<void(uint32_t, const QVariantMap &)> OnResponse);
    void CreateSessionAnswered(uint32_t Code, const QVariantMap &Results);
    void BindAnswered(uint32_t Code, const QVariantMap &Results);
    void ListAnswered(uint32_t Code, const QVariantMap &Results);
    // The end of one exchange with the portal: what it holds now, or the next change.
    void Finish(const QStringList &BoundIds);
    void AvailabilityAnswered();
    // Marks what the portal holds now; every other wanted combination is refused, once.
    void Settle(const QStringList &BoundIds);
    void RefuseAll();
    void Activated(const QString &Session, const QString &ShortcutId);
    void ShortcutsChanged(const QString &Session, const QStringList &BoundIds);
    void SessionClosed(const QString &Session);
    void OwnerChanged(const QString &Name, const QString &OldOwner, const QString &NewOwner);

    QDBusConnection FBus;
    QString FConnectionName; // non-empty when the connection is ours to close
    std::unique_ptr<TPortalReceiver> FReceiver;
    std::optional<QDBusPendingCall> FVersionCall;
    std::optional<bool> FAvailable;
    std::vector<TShortcut> FShortcuts;
    QString FSession;         // the portal's session object, empty when none is open
    unsigned FGeneration = 0; // answers of an older generation are about a session since closed
    unsigned FTokens = 0;
    bool FBusy = false;
    bool FSyncQueued = false;
    bool FPending = false; // a change waits for the exchange under way
    TOnPressed FOnPressed;
    TOnRefused FOnRefused;
    TOnAvailable FOnAvailable;
    QSet<QString> FGone; // the portal's services seen ending, until they are back
};

} // namespace platform::linux_
