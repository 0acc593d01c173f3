#pragma once

#include <QString>
#include <cstdint>

// The program's own atom table: a name maps to a 16-bit number in 0xC000..0xFFFF that stays the
// same while the name has references. Each add takes one reference, each delete drops one; the
// number is free again when the last one goes. Hotkey identifiers come from here.
namespace Atoms {

// The atom of Name with one more reference; 0 for an empty name or a full table.
uint16_t Add(const QString &Name);
// Drops one reference; false when Atom is not in the table.
bool Delete(uint16_t Atom);
// The atom of Name without taking a reference; 0 when it is not in the table.
uint16_t Find(const QString &Name);
// How many references Atom has; 0 when it is not in the table.
int References(uint16_t Atom);

} // namespace Atoms
