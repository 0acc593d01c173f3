#include "PortalGlobalShortcuts.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QTimer>
#include <algorithm>

namespace {

const QString PortalService = "org.freedesktop.portal.Desktop";
const QString PortalPath = "/org/freedesktop/portal/desktop";
const QString ShortcutsInterface = "org.freedesktop.portal.GlobalShortcuts";
const QString RequestInterface = "org.freedesktop.portal.Request";
const QString SessionInterface = "org.freedesktop.portal.Session";
// The frontend hands GlobalShortcuts to the backend of the desktop, a service of this name.
const QString BackendPrefix = "org.freedesktop.impl.portal.desktop.";
// The portal answers a request that failed outright (no such method, no backend) with no
// Response at all; such a call is taken as this answer ("the request failed").
constexpr uint32_t ResponseFailed = 2;
// How long the first question to the portal may take: it may be started on demand by the bus.
constexpr int AvailabilityTimeoutMs = 10000;

// One shortcut as the portal passes it: an id and its properties, D-Bus type (sa{sv}).
struct TPortalShortcut {
    QString Id;
    QVariantMap Properties;
};

} // namespace

Q_DECLARE_METATYPE(TPortalShortcut)

namespace {

QDBusArgument &operator<<(QDBusArgument &Arg, const TPortalShortcut &S) {
    Arg.beginStructure();
    Arg << S.Id << S.Properties;
    Arg.endStructure();
    return Arg;
}

const QDBusArgument &operator>>(const QDBusArgument &Arg, TPortalShortcut &S) {
    Arg.beginStructure();
    Arg >> S.Id >> S.Properties;
    Arg.endStructure();
    return Arg;
}

void RegisterTypes() {
    static const bool Done = [] {
        qDBusRegisterMetaType<TPortalShortcut>();
        qDBusRegisterMetaType<QList<TPortalShortcut>>();
        return true;
    }();
    static_cast<void>(Done);
}

QVariantMap MapOf(const QVariant &Value) {
    if (Value.canConvert<QDBusArgument>())
        return qdbus_cast<QVariantMap>(Value.value<QDBusArgument>());
    return Value.toMap();
}

// The ids in a list of shortcuts the portal sent (type a(sa{sv})).
QStringList IdsOf(const QVariant &Value) {
    QStringList Ids;
    if (!Value.canConvert<QDBusArgument>())
        return Ids;
    for (const TPortalShortcut &S :
         qdbus_cast<QList<TPortalShortcut>>(Value.value<QDBusArgument>()))
        Ids << S.Id;
    return Ids;
}

QString PathText(const QVariant &Value) {
    if (Value.canConvert<QDBusObjectPath>() && Value.userType() == qMetaTypeId<QDBusObjectPath>())
        return Value.value<QDBusObjectPath>().path();
    return Value.toString();
}

} // namespace

namespace platform::linux_ {

// Receives the portal's signals for TPortalGlobalShortcuts (QtDBus delivers them to slots).
class TPortalReceiver : public QObject {
    Q_OBJECT
public:
    explicit TPortalReceiver(TPortalGlobalShortcuts &Owner) : FOwner(Owner) {}

public slots:
    void Activated(const QDBusMessage &Message) {
        const QVariantList A = Message.arguments();
        if (A.size() >= 2)
            FOwner.Activated(PathText(A[0]), A[1].toString());
    }
    void ShortcutsChanged(const QDBusMessage &Message) {
        const QVariantList A = Message.arguments();
        if (A.size() >= 2)
            FOwner.ShortcutsChanged(PathText(A[0]), IdsOf(A[1]));
    }
    void SessionClosed(const QDBusMessage &Message) { FOwner.SessionClosed(Message.path()); }
    void NameOwnerChanged(const QString &Name, const QString &OldOwner, const QString &NewOwner) {
        FOwner.OwnerChanged(Name, OldOwner, NewOwner);
    }

private:
    TPortalGlobalShortcuts &FOwner;
};

// One request whose answer comes as a Response signal on its own object; it lives until the
// answer (or the failure of the call itself) has been handed on.
class TPortalRequest : public QObject {
    Q_OBJECT
public:
    using TOnResponse = std::function<void(uint32_t, const QVariantMap &)>;
    TPortalRequest(QObject *Parent, TOnResponse OnResponse)
        : QObject(Parent), FOnResponse(std::move(OnResponse)) {}

    void Answer(uint32_t Code, const QVariantMap &Results) {
        if (FAnswered)
            return;
        FAnswered = true;
        deleteLater();
        FOnResponse(Code, Results);
    }

public slots:
    void Response(const QDBusMessage &Message) {
        const QVariantList A = Message.arguments();
        Answer(A.isEmpty() ? ResponseFailed : A[0].toUInt(),
               A.size() >= 2 ? MapOf(A[1]) : QVariantMap());
    }

private:
    TOnResponse FOnResponse;
    bool FAnswered = false;
};

TPortalGlobalShortcuts::TPortalGlobalShortcuts(const QString &BusAddress)
    : FBus(QDBusConnection::sessionBus()) {
    RegisterTypes();
    if (!BusAddress.isEmpty()) {
        FConnectionName = QString("qc-portal-shortcuts-%1").arg(quintptr(this), 0, 16);
        FBus = QDBusConnection::connectToBus(BusAddress, FConnectionName);
    }
    FReceiver = std::make_unique<TPortalReceiver>(*this);
    if (!FBus.isConnected()) {
        FAvailable = false;
        return;
    }
    FBus.connect(PortalService, PortalPath, ShortcutsInterface, "Activated", FReceiver.get(),
                 SLOT(Activated(QDBusMessage)));
    FBus.connect(PortalService, PortalPath, ShortcutsInterface, "ShortcutsChanged", FReceiver.get(),
                 SLOT(ShortcutsChanged(QDBusMessage)));
    // A backend that ends and starts again knows nothing of our session any more.
    FBus.connect("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                 "NameOwnerChanged", FReceiver.get(),
                 SLOT(NameOwnerChanged(QString, QString, QString)));
    // The frontend offers the interface only when a backend of this desktop implements it.
    QDBusMessage Get = QDBusMessage::createMethodCall(PortalService, PortalPath,
                                                      "org.freedesktop.DBus.Properties", "Get");
    Get << ShortcutsInterface << QString("version");
    FVersionCall = FBus.asyncCall(Get, AvailabilityTimeoutMs);
    auto *Watcher = new QDBusPendingCallWatcher(*FVersionCall, FReceiver.get());
    QObject::connect(Watcher, &QDBusPendingCallWatcher::finished, FReceiver.get(), [this, Watcher] {
        Watcher->deleteLater();
        AvailabilityAnswered();
    });
}

TPortalGlobalShortcuts::~TPortalGlobalShortcuts() {
    CloseSession();
    FReceiver.reset();
    if (!FConnectionName.isEmpty()) {
        QDBusConnection::disconnectFromBus(FConnectionName);
    }
}

bool TPortalGlobalShortcuts::Register(uint16_t Id, uint32_t Modifiers, uint32_t VirtualKey) {
    if (FAvailable == false)
        return false;
    const QString Trigger = PortalTrigger(Modifiers, VirtualKey);
    if (Trigger.isEmpty())
        return false;
    const QString ShortcutId = PortalShortcutId(Modifiers, VirtualKey);
    if (std::any_of(FShortcuts.begin(), FShortcuts.end(),
                    [&](const TShortcut &S) { return S.Id == Id || S.ShortcutId == ShortcutId; }))
        return false;
    FShortcuts.push_back({Id, Modifiers, VirtualKey, ShortcutId, Trigger});
    QueueSync();
    return true;
}

bool TPortalGlobalShortcuts::Unregister(uint16_t Id) {
    const auto It = std::find_if(FShortcuts.begin(), FShortcuts.end(),
                                 [Id](const TShortcut &S) { return S.Id == Id; });
    if (It == FShortcuts.end())
        return false;
    FShortcuts.erase(It);
    QueueSync();
    return true;
}

std::optional<bool> TPortalGlobalShortcuts::Available() {
    return FAvailable;
}

bool TPortalGlobalShortcuts::Bound(uint16_t Id) const {
    return std::any_of(FShortcuts.begin(), FShortcuts.end(),
                       [Id](const TShortcut &S) { return S.Id == Id && S.Bound; });
}

void TPortalGlobalShortcuts::AvailabilityAnswered() {
    if (FAvailable || !FVersionCall || !FVersionCall->isFinished())
        return;
    FAvailable = !FVersionCall->isError();
    FVersionCall.reset();
    // A desktop without the service refuses nothing in particular: the caller is told once, and
    // the combinations taken on meanwhile stay registered here, so they can be let go of.
    if (*FAvailable && !FSyncQueued)
        Sync();
    if (FOnAvailable)
        FOnAvailable(*FAvailable);
}

void TPortalGlobalShortcuts::QueueSync() {
    if (FSyncQueued)
        return;
    FSyncQueued = true;
    QTimer::singleShot(0, FReceiver.get(), [this] { Sync(); });
}

void TPortalGlobalShortcuts::Sync() {
    FSyncQueued = false;
    // Until the portal has said whether it is there, the answer to that question starts it.
    if (FAvailable != true)
        return;
    // One change at a time: two sessions asking for the same keys at once could take them from
    // each other. A change made meanwhile follows when the portal has answered.
    if (FBusy) {
        FPending = true;
        return;
    }
    // The portal binds a session's shortcuts once: a changed set goes to a new session.
    ++FGeneration;
    CloseSession();
    for (TShortcut &S : FShortcuts)
        S.Bound = false;
    FBusy = !FShortcuts.empty();
    if (!FBusy)
        return;
    QList<TPortalShortcut> Shortcuts;
    for (const TShortcut &S : FShortcuts)
        Shortcuts << TPortalShortcut{
            S.ShortcutId,
            {{"description", QCoreApplication::applicationName() + " " + S.Trigger},
             {"preferred_trigger", S.Trigger}}};
    const unsigned Generation = FGeneration;
    const QString Token = QString("qingchuan_%1").arg(Generation);
    Request("CreateSession", {},
            {{"session_handle_token", Token}, {"shortcuts", QVariant::fromValue(Shortcuts)}},
            [this, Generation, Shortcuts](uint32_t Code, const QVariantMap &Results) {
                const QString Session = PathText(Results.value("session_handle"));
                if (Generation != FGeneration) {
                    // A session for a set of shortcuts since changed: nobody wants it.
                    if (Code == 0 && !Session.isEmpty())
                        FBus.send(QDBusMessage::createMethodCall(PortalService, Session,
                                                                 SessionInterface, "Close"));
                    return;
                }
                if (Code != 0 || Session.isEmpty())
                    return Finish({});
                FSession = Session;
                FBus.connect(PortalService, FSession, SessionInterface, "Closed", FReceiver.get(),
                             SLOT(SessionClosed(QDBusMessage)));
                Request("BindShortcuts",
                        {QVariant::fromValue(QDBusObjectPath(FSession)),
                         QVariant::fromValue(Shortcuts), QString()},
                        {}, [this, Generation](uint32_t Code, const QVariantMap &Results) {
                            if (Generation == FGeneration)
                                BindAnswered(Code, Results);
                        });
            });
}

void TPortalGlobalShortcuts::BindAnswered(uint32_t Code, const QVariantMap &Results) {
    Q_UNUSED(Results);
    // Cancelled by the user, or refused by the desktop: none of them is bound.
    if (Code != 0)
        return Finish({});
    // Some backends answer BindShortcuts with an empty list while the shortcuts passed to
    // CreateSession are bound, others the other way round: the list is what counts.
    const unsigned Generation = FGeneration;
    Request("ListShortcuts", {QVariant::fromValue(QDBusObjectPath(FSession))}, {},
            [this, Generation](uint32_t Code, const QVariantMap &Results) {
                if (Generation == FGeneration)
                    ListAnswered(Code, Results);
            });
}

void TPortalGlobalShortcuts::ListAnswered(uint32_t Code, const QVariantMap &Results) {
    Finish(Code == 0 ? IdsOf(Results.value("shortcuts")) : QStringList());
}

void TPortalGlobalShortcuts::Finish(const QStringList &BoundIds) {
    FBusy = false;
    // The answer is about a set since changed: the new set is asked for, and judged, instead.
    if (FPending) {
        FPending = false;
        Sync();
        return;
    }
    Settle(BoundIds);
}

void TPortalGlobalShortcuts::Settle(const QStringList &BoundIds) {
    std::vector<uint16_t> Refused;
    for (TShortcut &S : FShortcuts) {
        S.Bound = BoundIds.contains(S.ShortcutId);
        if (S.Bound)
            S.Refused = false;
        else if (!S.Refused) {
            // Reported once: a later change of the set does not repeat the warning.
            S.Refused = true;
            Refused.push_back(S.Id);
        }
    }
    // The handler may register or let go of shortcuts; the list is not walked any more here.
    for (const uint16_t Id : Refused)
        if (FOnRefused)
            FOnRefused(Id);
}

void TPortalGlobalShortcuts::RefuseAll() {
    Settle({});
}

void TPortalGlobalShortcuts::CloseSession() {
    if (FSession.isEmpty())
        return;
    FBus.disconnect(PortalService, FSession, SessionInterface, "Closed", FReceiver.get(),
                    SLOT(SessionClosed(QDBusMessage)));
    FBus.send(QDBusMessage::createMethodCall(PortalService, FSession, SessionInterface, "Close"));
    FSession.clear();
}

void TPortalGlobalShortcuts::Request(
    const QString &Method, QList<QVariant> Arguments, QVariantMap Options,
    std::function<void(uint32_t, const QVariantMap &)> OnResponse) {
    // The answer comes on an object named after our connection and a token of our choice; we
    // listen there before asking, so an answer cannot slip past.
    const QString Token = QString("qingchuan_%1").arg(++FTokens);
    const QString Sender = FBus.baseService().mid(1).replace('.', '_');
    const QString RequestPath = QString("%1/request/%2/%3").arg(PortalPath, Sender, Token);
    auto *Pending = new TPortalRequest(FReceiver.get(), std::move(OnResponse));
    FBus.connect(PortalService, RequestPath, RequestInterface, "Response", Pending,
                 SLOT(Response(QDBusMessage)));
    Options.insert("handle_token", Token);
    QDBusMessage Call =
        QDBusMessage::createMethodCall(PortalService, PortalPath, ShortcutsInterface, Method);
    Arguments << Options;
    Call.setArguments(Arguments);
    auto *Watcher = new QDBusPendingCallWatcher(FBus.asyncCall(Call), Pending);
    QObject::connect(Watcher, &QDBusPendingCallWatcher::finished, Pending, [Pending, Watcher] {
        Watcher->deleteLater();
        if (Watcher->isError())
            Pending->Answer(ResponseFailed, {});
    });
}

void TPortalGlobalShortcuts::Activated(const QString &Session, const QString &ShortcutId) {
    if (Session.isEmpty() || Session != FSession)
        return;
    for (const TShortcut &S : FShortcuts)
        if (S.ShortcutId == ShortcutId) {
            if (FOnPressed)
                FOnPressed(S.Id, S.Modifiers, S.VirtualKey);
            return;
        }
}

void TPortalGlobalShortcuts::ShortcutsChanged(const QString &Session, const QStringList &BoundIds) {
    if (!Session.isEmpty() && Session == FSession && !FBusy)
        Settle(BoundIds);
}

void TPortalGlobalShortcuts::OwnerChanged(const QString &Name, const QString &OldOwner,
                                          const QString &NewOwner) {
    if (Name != PortalService && !Name.startsWith(BackendPrefix))
        return;
    if (NewOwner.isEmpty()) {
        FGone.insert(Name);
        return;
    }
    // Only a service that was there and comes back: a backend the frontend starts for the first
    // time holds nothing of ours to lose.
    if (!FGone.remove(Name) && OldOwner.isEmpty())
        return;
    // Its shortcuts may still fire in the desktop, but their presses reach a session nobody
    // knows: the whole set is bound again, in a new session.
    if (FAvailable == true && !FShortcuts.empty())
        QueueSync();
}

void TPortalGlobalShortcuts::SessionClosed(const QString &Session) {
    if (Session.isEmpty() || Session != FSession)
        return;
    // The desktop ended the session: every shortcut in it is gone.
    FSession.clear();
    RefuseAll();
}

} // namespace platform::linux_

#include "PortalGlobalShortcuts.moc"
