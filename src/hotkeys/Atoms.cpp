#include "Atoms.h"

#include <QHash>

namespace Atoms {

namespace {

constexpr uint32_t First = 0xC000, Last = 0xFFFF;

struct TEntry {
    QString Name;
    int References = 0;
};

struct TTable {
    QHash<uint16_t, TEntry> ByAtom;
    QHash<QString, uint16_t> ByName;
    uint32_t Next = First;
};

TTable &Table() {
    static TTable T;
    return T;
}

} // namespace

uint16_t Add(const QString &Name) {
    if (Name.isEmpty())
        return 0;
    TTable &T = Table();
    if (const auto It = T.ByName.constFind(Name); It != T.ByName.cend()) {
        ++T.ByAtom[*It].References;
        return *It;
    }
    if (T.ByAtom.size() > int(Last - First))
        return 0;
    // Numbers are handed out in turn and reused only after wrapping, so a number just freed is
    // not at once given to another name.
    while (T.ByAtom.contains(uint16_t(T.Next)))
        T.Next = T.Next == Last ? First : T.Next + 1;
    const uint16_t Atom = uint16_t(T.Next);
    T.Next = T.Next == Last ? First : T.Next + 1;
    T.ByAtom.insert(Atom, {Name, 1});
    T.ByName.insert(Name, Atom);
    return Atom;
}

bool Delete(uint16_t Atom) {
    TTable &T = Table();
    const auto It = T.ByAtom.find(Atom);
    if (It == T.ByAtom.end())
        return false;
    if (--It->References <= 0) {
        T.ByName.remove(It->Name);
        T.ByAtom.erase(It);
    }
    return true;
}

uint16_t Find(const QString &Name) {
    return Table().ByName.value(Name, 0);
}

int References(uint16_t Atom) {
    const auto &ByAtom = Table().ByAtom;
    const auto It = ByAtom.constFind(Atom);
    return It == ByAtom.cend() ? 0 : It->References;
}

} // namespace Atoms
