#pragma once

#include <functional>
#include <sodium.h>
#include <vector>

#include "LockFormat.h"

// One encrypted file of a locked folder ("blob"), in ".qclock/data/<32 hex digits>":
//
//   24 bytes   the crypto_secretstream_xchacha20poly1305 header
//   4 bytes    L, little-endian: the length of the entry record (a multiple of 256)
//   L + 17     the entry record (LockFormat::EncodeEntry), one stream message, tagged FINAL
//              for a folder or a link, else MESSAGE
//   ...        a file's contents followed by zeros up to LockFormat::PaddedSize(Size), in
//              messages of 65,536 plaintext bytes (65,553 written), the last one shorter where
//              the padded length ends and tagged FINAL; nothing follows it.
//
// All messages are under the content key, with no additional data. Any changed, cut or added
// byte fails a tag, a tag order or the length, and the blob counts as damaged.
namespace LockBlob {

constexpr size_t Chunk = 65536;

enum class TStatus {
    Ok,
    SourceFailed, // the original could not be read (Errno)
    Changed,      // the original changed size while it was read
    WriteFailed,  // the output could not be written (Errno), a full disk for one
    Damaged,      // the blob is not what this key wrote
    Cancelled,    // OnBytes said stop
};

// Called with each piece of contents done; false stops the work (Cancelled).
using TOnBytes = std::function<bool(size_t Bytes)>;
// Takes decrypted contents; false when they could not be taken (WriteFailed, errno set).
using TSink = std::function<bool(const unsigned char *Data, size_t Size)>;

// Writes the blob of Entry to OutFd; a file's Entry.Size bytes come from SourceFd.
TStatus Encrypt(const LockFormat::TKeys &Keys, const LockFormat::TEntry &Entry, int SourceFd,
                int OutFd, const TOnBytes &OnBytes, int &Errno);

// Reads a blob from its start: the entry record first, then (for a file) its contents.
class TReader {
public:
    TReader(const LockFormat::TKeys &Keys, int Fd) : FKeys(Keys), FFd(Fd) {}
    TStatus ReadEntry(LockFormat::TEntry &Entry);
    // The contents, given to Sink piece by piece; Damaged when any piece fails its tag, so a
    // sink must not treat what it got as final before Ok.
    TStatus ReadContents(const TSink &Sink, const TOnBytes &OnBytes);
    int Errno = 0;

private:
    const LockFormat::TKeys &FKeys;
    int FFd;
    LockFormat::TEntry FEntry;
    crypto_secretstream_xchacha20poly1305_state FState;
    bool FEntryRead = false;
    bool FLastWasFinal = false;
};

// The entry record of every blob in DataDir (names of 32 hex digits), sorted by name.
struct TRecord {
    std::string Name;
    TStatus Status;
    int Errno = 0;
    LockFormat::TEntry Entry;
};
std::vector<TRecord> ReadRecords(const LockFormat::TKeys &Keys, const std::string &DataDir);

} // namespace LockBlob
