#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <sys/stat.h>

// The locked folder's header and keys. The header, ".qclock/header", is a short text file:
//
//   qclock 2
//   kdf argon2id13 <opslimit> <memlimit> <salt, 32 hex digits>
//   check <key check value, 64 hex digits>
//   state <locking | locked | unlocking>
//
// The password becomes a 32-byte master key through Argon2id with the stored limits and salt;
// three subkeys come from it through libsodium's crypto_kdf (context "qclock__"): 1 encrypts
// the contents, 2 names the encrypted files, 3 is the key check value itself, so a wrong
// password is known before any file is touched. "state" is the journal: what the last run set
// out to do; it is rewritten through a temporary file and a rename.
namespace LockFormat {

using TKey = std::array<unsigned char, 32>;

struct THeader {
    unsigned long long OpsLimit = 0;
    size_t MemLimit = 0;
    std::array<unsigned char, 16> Salt{};
    TKey Check{};
    std::string State; // "locking", "locked", "unlocking"
};

struct TKeys {
    TKey Content{};
    TKey Names{};
    TKey Check{};
    ~TKeys();
};

// Initialises libsodium once; false when it cannot run.
bool Init();
// The cost of new locks: libsodium's "moderate" limits. QCLOCK_TEST_WEAK_KDF=1 in the
// environment lowers them to the library's minimum; it exists only so that the test suite can
// lock hundreds of times in seconds, and no user should set it.
THeader NewHeader();
// Derives the keys from the password with the header's limits and salt; false when those limits
// are beyond what this machine may be asked to spend (a damaged header) or memory is short.
bool DeriveKeys(const std::string &Password, const THeader &Header, TKeys &Keys);
// Whether the keys give the header's check value: the password is right.
bool KeysMatch(const TKeys &Keys, const THeader &Header);
// Reads and writes the header file (the write goes through Path + ".tmp", fsync, rename).
bool ReadHeader(const std::string &Path, THeader &Header);
bool WriteHeader(const std::string &Path, const THeader &Header);

// What one encrypted file holds, before its contents.
enum class TKind : uint8_t { File = 1, Folder = 2, Link = 3 };
struct TEntry {
    TKind Kind = TKind::File;
    uint32_t Mode = 0;    // permission bits (07777)
    int64_t MtimeSec = 0; // modification time
    uint32_t MtimeNsec = 0;
    uint64_t Size = 0;  // content bytes of a file
    std::string Path;   // relative to the locked folder, '/'-separated, raw bytes
    std::string Target; // a link's target, as stored in the link
};
// The entry record, zero-padded to a multiple of 256 bytes; and back (false when malformed).
std::string EncodeEntry(const TEntry &Entry);
bool DecodeEntry(const unsigned char *Data, size_t Size, TEntry &Entry);
// The padded length of a file's contents: at least 512 bytes, powers of two up to 64 KiB,
// then whole 64 KiB steps, so that no size shows to the byte.
uint64_t PaddedSize(uint64_t Size);
// The name of an entry's encrypted file: 32 hex digits, a keyed hash of the entry's path and
// identity (inode number, and for files and links modification time and size). A rerun after an
// interruption finds the encrypted copy of an original it had not yet removed under that name.
std::string BlobName(const TKeys &Keys, TKind Kind, const std::string &Path, const struct stat &St);

std::string ToHex(const unsigned char *Data, size_t Size);
bool FromHex(const std::string &Hex, unsigned char *Data, size_t Size);

} // namespace LockFormat
