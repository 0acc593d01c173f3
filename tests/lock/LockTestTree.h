#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <map>
#include <string>

// Test beds of the folder lock: sample trees with odd names, raw-byte snapshots of a tree, and
// runs of the built Lock.exe (as this user or as the unprivileged user nobody).
namespace LockTestTree {

// Path (raw bytes, relative) -> kind, SHA-256, mode, modification time; the tool and the vault
// at the top are left out.
using TSnapshot = std::map<std::string, std::string>;
TSnapshot Snapshot(const QString &Root);
// Every file below Root (the tool at the top left out): relative path -> contents.
std::map<std::string, QByteArray> AllFiles(const QString &Root);
// What a user sees at the top of Root.
QStringList Visible(const QString &Root);

// A tree with nested folders, Chinese and odd names (a newline, bytes that are not UTF-8, a
// leading dash), an empty file, a file of LargeSize random bytes, Files small files of mixed
// sizes, an empty folder, a read-only file and folder, links (one dangling), set modification
// times. Every name is at least 8 bytes long so that a search for it cannot hit by chance.
void MakeTree(const QString &Root, int Files, int LargeSize, quint32 Seed);
// The names and relative file paths MakeTree made.
QList<QByteArray> NamesOf(const TSnapshot &Snapshot);

void Write(const QString &Path, const QByteArray &Data);
QByteArray Read(const QString &Path);

// Puts the built Lock.exe into Root, as the folder-lock page does.
bool PlaceTool(const QString &Root);
// Makes Root and everything in it belong to nobody, and the folders above it passable.
bool GiveToNobody(const QString &Root);

struct TRun {
    int Code = -1; // -1: did not finish
    QByteArray Out, Err;
};
// Runs Root's Lock.exe with Args and Input on standard input, as nobody when AsNobody.
TRun RunTool(const QString &Root, const QStringList &Args, const QByteArray &Input = {},
             bool AsNobody = false);

} // namespace LockTestTree
