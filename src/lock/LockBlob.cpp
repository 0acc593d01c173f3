#include "LockBlob.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sodium.h>
#include <unistd.h>
#include <vector>

#include "LockFiles.h"

namespace LockBlob {

using LockFormat::TKind;
using TStreamState = crypto_secretstream_xchacha20poly1305_state;

namespace {

constexpr size_t ABytes = crypto_secretstream_xchacha20poly1305_ABYTES;
constexpr uint32_t MaxRecord = 1 << 20;

bool Push(TStreamState &State, const unsigned char *Plain, size_t Size, unsigned char Tag,
          std::vector<unsigned char> &Out, int OutFd) {
    Out.resize(Size + ABytes);
    crypto_secretstream_xchacha20poly1305_push(&State, Out.data(), nullptr, Plain, Size, nullptr, 0,
                                               Tag);
    return LockFiles::WriteAll(OutFd, Out.data(), Out.size());
}

} // namespace

TStatus Encrypt(const LockFormat::TKeys &Keys, const LockFormat::TEntry &Entry, int SourceFd,
                int OutFd, const TOnBytes &OnBytes, int &Errno) {
    TStreamState State;
    unsigned char Header[crypto_secretstream_xchacha20poly1305_HEADERBYTES];
    crypto_secretstream_xchacha20poly1305_init_push(&State, Header, Keys.Content.data());
    const std::string Record = LockFormat::EncodeEntry(Entry);
    unsigned char Length[4];
    for (int I = 0; I < 4; ++I)
        Length[I] = static_cast<unsigned char>((Record.size() >> (8 * I)) & 0xff);
    std::vector<unsigned char> Out;
    const bool IsFile = Entry.Kind == TKind::File;
    const auto Failed = [&Errno] {
        Errno = errno;
        return TStatus::WriteFailed;
    };
    if (!LockFiles::WriteAll(OutFd, Header, sizeof Header) ||
        !LockFiles::WriteAll(OutFd, Length, sizeof Length) ||
        !Push(State, reinterpret_cast<const unsigned char *>(Record.data()), Record.size(),
              IsFile ? crypto_secretstream_xchacha20poly1305_TAG_MESSAGE
                     : crypto_secretstream_xchacha20poly1305_TAG_FINAL,
              Out, OutFd))
        return Failed();
    if (!IsFile)
        return TStatus::Ok;
    const uint64_t Total = LockFormat::PaddedSize(Entry.Size);
    // Sixteen chunks per read and per write: the chunks (and so the format) stay as they are,
    // and the calls into the kernel are a sixteenth.
    constexpr size_t Batch = 16;
    // Kept from file to file: two fresh megabytes for each of thousands of small files cost more
    // than their encryption.
    static thread_local std::vector<unsigned char> Plain(Chunk * Batch),
        Cipher((Chunk + ABytes) * Batch);
    uint64_t Done = 0;
    while (Done < Total) {
        const size_t Span = static_cast<size_t>(std::min<uint64_t>(Chunk * Batch, Total - Done));
        const size_t Real =
            static_cast<size_t>(std::min<uint64_t>(Span, Entry.Size - std::min(Done, Entry.Size)));
        if (Real > 0) {
            const long Got = LockFiles::ReadFull(SourceFd, Plain.data(), Real);
            if (Got < 0) {
                Errno = errno;
                return TStatus::SourceFailed;
            }
            if (size_t(Got) != Real)
                return TStatus::Changed;
        }
        std::fill(Plain.begin() + Real, Plain.begin() + Span, 0);
        size_t Sealed = 0;
        for (size_t At = 0; At < Span; At += Chunk) {
            const size_t N = std::min(Chunk, Span - At);
            const bool Last = Done + At + N == Total;
            crypto_secretstream_xchacha20poly1305_push(
                &State, Cipher.data() + Sealed, nullptr, Plain.data() + At, N, nullptr, 0,
                Last ? crypto_secretstream_xchacha20poly1305_TAG_FINAL
                     : crypto_secretstream_xchacha20poly1305_TAG_MESSAGE);
            Sealed += N + ABytes;
        }
        if (!LockFiles::WriteAll(OutFd, Cipher.data(), Sealed))
            return Failed();
        Done += Span;
        if (OnBytes && Real > 0 && !OnBytes(Real))
            return TStatus::Cancelled;
    }
    // A file that grew while it was read is not the one that was measured.
    unsigned char Probe;
    const long More = LockFiles::ReadFull(SourceFd, &Probe, 1);
    if (More < 0) {
        Errno = errno;
        return TStatus::SourceFailed;
    }
    return More == 0 ? TStatus::Ok : TStatus::Changed;
}

TStatus TReader::ReadEntry(LockFormat::TEntry &Entry) {
    TStreamState &State = FState;
    unsigned char Header[crypto_secretstream_xchacha20poly1305_HEADERBYTES];
    unsigned char Length[4];
    const auto Read = [this](void *Data, size_t Size) {
        const long N = LockFiles::ReadFull(FFd, Data, Size);
        if (N < 0)
            Errno = errno;
        return N < 0 ? -1 : N == long(Size) ? 1 : 0;
    };
    int R = Read(Header, sizeof Header);
    if (R <= 0)
        return R < 0 ? TStatus::SourceFailed : TStatus::Damaged;
    R = Read(Length, sizeof Length);
    if (R <= 0)
        return R < 0 ? TStatus::SourceFailed : TStatus::Damaged;
    uint32_t L = 0;
    for (int I = 0; I < 4; ++I)
        L |= uint32_t(Length[I]) << (8 * I);
    if (L == 0 || L % 256 != 0 || L > MaxRecord)
        return TStatus::Damaged;
    if (crypto_secretstream_xchacha20poly1305_init_pull(&State, Header, FKeys.Content.data()) != 0)
        return TStatus::Damaged;
    std::vector<unsigned char> Cipher(L + ABytes), Plain(L);
    R = Read(Cipher.data(), Cipher.size());
    if (R <= 0)
        return R < 0 ? TStatus::SourceFailed : TStatus::Damaged;
    unsigned char Tag = 0;
    if (crypto_secretstream_xchacha20poly1305_pull(&State, Plain.data(), nullptr, &Tag,
                                                   Cipher.data(), Cipher.size(), nullptr, 0) != 0 ||
        !LockFormat::DecodeEntry(Plain.data(), Plain.size(), FEntry))
        return TStatus::Damaged;
    const bool IsFile = FEntry.Kind == TKind::File;
    if (Tag != (IsFile ? crypto_secretstream_xchacha20poly1305_TAG_MESSAGE
                       : crypto_secretstream_xchacha20poly1305_TAG_FINAL))
        return TStatus::Damaged;
    FLastWasFinal = !IsFile;
    FEntryRead = true;
    Entry = FEntry;
    if (!IsFile) {
        unsigned char Probe;
        const long More = LockFiles::ReadFull(FFd, &Probe, 1);
        if (More != 0)
            return More < 0 ? (Errno = errno, TStatus::SourceFailed) : TStatus::Damaged;
    }
    return TStatus::Ok;
}

TStatus TReader::ReadContents(const TSink &Sink, const TOnBytes &OnBytes) {
    if (!FEntryRead)
        return TStatus::Damaged;
    if (FEntry.Kind != TKind::File)
        return TStatus::Ok;
    TStreamState &State = FState;
    const uint64_t Total = LockFormat::PaddedSize(FEntry.Size);
    std::vector<unsigned char> Cipher(Chunk + ABytes), Plain(Chunk);
    uint64_t Done = 0;
    while (Done < Total) {
        const size_t N = static_cast<size_t>(std::min<uint64_t>(Chunk, Total - Done));
        const long Got = LockFiles::ReadFull(FFd, Cipher.data(), N + ABytes);
        if (Got < 0) {
            Errno = errno;
            return TStatus::SourceFailed;
        }
        unsigned char Tag = 0;
        const bool Last = Done + N == Total;
        if (size_t(Got) != N + ABytes ||
            crypto_secretstream_xchacha20poly1305_pull(
                &State, Plain.data(), nullptr, &Tag, Cipher.data(), N + ABytes, nullptr, 0) != 0 ||
            Tag != (Last ? crypto_secretstream_xchacha20poly1305_TAG_FINAL
                         : crypto_secretstream_xchacha20poly1305_TAG_MESSAGE))
            return TStatus::Damaged;
        const size_t Real =
            static_cast<size_t>(std::min<uint64_t>(N, FEntry.Size - std::min(Done, FEntry.Size)));
        if (Real > 0 && !Sink(Plain.data(), Real)) {
            Errno = errno;
            return TStatus::WriteFailed;
        }
        Done += N;
        if (OnBytes && Real > 0 && !OnBytes(Real))
            return TStatus::Cancelled;
    }
    unsigned char Probe;
    const long More = LockFiles::ReadFull(FFd, &Probe, 1);
    if (More < 0) {
        Errno = errno;
        return TStatus::SourceFailed;
    }
    return More == 0 ? TStatus::Ok : TStatus::Damaged;
}

std::vector<TRecord> ReadRecords(const LockFormat::TKeys &Keys, const std::string &DataDir) {
    std::vector<TRecord> Records;
    DIR *D = ::opendir(DataDir.c_str());
    if (!D)
        return Records;
    while (const dirent *E = ::readdir(D)) {
        const std::string Name = E->d_name;
        if (Name.size() == 32 && std::all_of(Name.begin(), Name.end(), [](char C) {
                return (C >= '0' && C <= '9') || (C >= 'a' && C <= 'f');
            }))
            Records.push_back({Name, TStatus::Ok, 0, {}});
    }
    ::closedir(D);
    std::sort(Records.begin(), Records.end(),
              [](const TRecord &A, const TRecord &B) { return A.Name < B.Name; });
    for (TRecord &R : Records) {
        const int Fd = ::open((DataDir + "/" + R.Name).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (Fd < 0) {
            R.Errno = errno;
            R.Status = TStatus::SourceFailed;
            continue;
        }
        TReader Reader(Keys, Fd);
        R.Status = Reader.ReadEntry(R.Entry);
        R.Errno = Reader.Errno;
        ::close(Fd);
    }
    return Records;
}

} // namespace LockBlob
