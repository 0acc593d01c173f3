#include "LockFormat.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sodium.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "LockFiles.h"

namespace LockFormat {

namespace {

const char Context[crypto_kdf_CONTEXTBYTES + 1] = "qclock__";
// A header may not ask more than this of the machine: it could be damaged or planted.
const unsigned long long MaxOps = 64;
const size_t MaxMem = size_t(4) << 30;

void PutU32(std::string &S, uint32_t V) {
    for (int I = 0; I < 4; ++I)
        S.push_back(static_cast<char>((V >> (8 * I)) & 0xff));
}
void PutU64(std::string &S, uint64_t V) {
    for (int I = 0; I < 8; ++I)
        S.push_back(static_cast<char>((V >> (8 * I)) & 0xff));
}

// Reads little-endian numbers and byte strings off a record, never past its end.
struct TReader {
    const unsigned char *P;
    size_t Left;
    bool Ok = true;
    uint64_t Num(int Bytes) {
        if (Left < size_t(Bytes)) {
            Ok = false;
            return 0;
        }
        uint64_t V = 0;
        for (int I = 0; I < Bytes; ++I)
            V |= uint64_t(P[I]) << (8 * I);
        P += Bytes;
        Left -= Bytes;
        return V;
    }
    std::string Bytes() {
        const uint64_t N = Num(4);
        if (!Ok || N > Left) {
            Ok = false;
            return {};
        }
        std::string S(reinterpret_cast<const char *>(P), N);
        P += N;
        Left -= N;
        return S;
    }
};

} // namespace

TKeys::~TKeys() {
    sodium_memzero(Content.data(), Content.size());
    sodium_memzero(Names.data(), Names.size());
    sodium_memzero(Check.data(), Check.size());
}

bool Init() {
    static const bool Ready = sodium_init() >= 0;
    return Ready;
}

THeader NewHeader() {
    THeader H;
    const char *Weak = std::getenv("QCLOCK_TEST_WEAK_KDF");
    const bool Test = Weak && std::strcmp(Weak, "1") == 0;
    H.OpsLimit = Test ? crypto_pwhash_OPSLIMIT_MIN : crypto_pwhash_OPSLIMIT_MODERATE;
    H.MemLimit = Test ? crypto_pwhash_MEMLIMIT_MIN : crypto_pwhash_MEMLIMIT_MODERATE;
    randombytes_buf(H.Salt.data(), H.Salt.size());
    H.State = "locking";
    return H;
}

bool DeriveKeys(const std::string &Password, const THeader &Header, TKeys &Keys) {
    if (Header.OpsLimit < crypto_pwhash_OPSLIMIT_MIN || Header.OpsLimit > MaxOps ||
        Header.MemLimit < crypto_pwhash_MEMLIMIT_MIN || Header.MemLimit > MaxMem)
        return false;
    TKey Master;
    if (crypto_pwhash(Master.data(), Master.size(), Password.data(), Password.size(),
                      Header.Salt.data(), Header.OpsLimit, Header.MemLimit,
                      crypto_pwhash_ALG_ARGON2ID13) != 0)
        return false;
    crypto_kdf_derive_from_key(Keys.Content.data(), 32, 1, Context, Master.data());
    crypto_kdf_derive_from_key(Keys.Names.data(), 32, 2, Context, Master.data());
    crypto_kdf_derive_from_key(Keys.Check.data(), 32, 3, Context, Master.data());
    sodium_memzero(Master.data(), Master.size());
    return true;
}

bool KeysMatch(const TKeys &Keys, const THeader &Header) {
    return sodium_memcmp(Keys.Check.data(), Header.Check.data(), Keys.Check.size()) == 0;
}

bool ReadHeader(const std::string &Path, THeader &Header) {
    const int Fd = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (Fd < 0)
        return false;
    char Buffer[1024];
    const long N = LockFiles::ReadFull(Fd, Buffer, sizeof Buffer);
    ::close(Fd);
    if (N <= 0 || N == long(sizeof Buffer))
        return false;
    std::istringstream In(std::string(Buffer, N));
    std::string Magic, Version, Kdf, Alg, Salt, CheckWord, Check, StateWord;
    In >> Magic >> Version >> Kdf >> Alg >> Header.OpsLimit >> Header.MemLimit >> Salt >>
        CheckWord >> Check >> StateWord >> Header.State;
    return In && Magic == "qclock" && Version == "2" && Kdf == "kdf" && Alg == "argon2id13" &&
           CheckWord == "check" && StateWord == "state" &&
           FromHex(Salt, Header.Salt.data(), Header.Salt.size()) &&
           FromHex(Check, Header.Check.data(), Header.Check.size()) &&
           (Header.State == "locking" || Header.State == "locked" || Header.State == "unlocking");
}

bool WriteHeader(const std::string &Path, const THeader &Header) {
    std::ostringstream Out;
    Out << "qclock 2\nkdf argon2id13 " << Header.OpsLimit << " " << Header.MemLimit << " "
        << ToHex(Header.Salt.data(), Header.Salt.size()) << "\ncheck "
        << ToHex(Header.Check.data(), Header.Check.size()) << "\nstate " << Header.State << "\n";
    const std::string Text = Out.str();
    const std::string Temp = Path + ".tmp";
    const int Fd =
        ::open(Temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (Fd < 0)
        return false;
    const bool Written = LockFiles::WriteAll(Fd, Text.data(), Text.size()) && ::fsync(Fd) == 0;
    const int Saved = errno;
    ::close(Fd);
    if (!Written || ::rename(Temp.c_str(), Path.c_str()) != 0) {
        ::unlink(Temp.c_str());
        errno = Written ? errno : Saved;
        return false;
    }
    return LockFiles::SyncDir(LockFiles::Parent(Path));
}

std::string EncodeEntry(const TEntry &E) {
    std::string S;
    S.push_back(1); // record version
    S.push_back(static_cast<char>(E.Kind));
    PutU32(S, E.Mode);
    PutU64(S, static_cast<uint64_t>(E.MtimeSec));
    PutU32(S, E.MtimeNsec);
    PutU64(S, E.Size);
    PutU32(S, static_cast<uint32_t>(E.Path.size()));
    S += E.Path;
    PutU32(S, static_cast<uint32_t>(E.Target.size()));
    S += E.Target;
    S.resize((S.size() + 255) / 256 * 256, '\0');
    return S;
}

bool DecodeEntry(const unsigned char *Data, size_t Size, TEntry &E) {
    TReader R{Data, Size};
    const uint64_t Version = R.Num(1);
    const uint64_t Kind = R.Num(1);
    E.Mode = static_cast<uint32_t>(R.Num(4));
    E.MtimeSec = static_cast<int64_t>(R.Num(8));
    E.MtimeNsec = static_cast<uint32_t>(R.Num(4));
    E.Size = R.Num(8);
    E.Path = R.Bytes();
    E.Target = R.Bytes();
    E.Kind = static_cast<TKind>(Kind);
    // A path that could leave the folder is refused even under a valid tag.
    const std::string &P = E.Path;
    const bool Safe = !P.empty() && P[0] != '/' && P.find('\0') == std::string::npos && P != ".." &&
                      P.rfind("../", 0) != 0 && P.find("/../") == std::string::npos &&
                      (P.size() < 3 || P.compare(P.size() - 3, 3, "/..") != 0);
    return R.Ok && Version == 1 && Kind >= 1 && Kind <= 3 && Safe;
}

uint64_t PaddedSize(uint64_t Size) {
    if (Size <= 512)
        return 512;
    if (Size <= 65536) {
        uint64_t P = 1024;
        while (P < Size)
            P <<= 1;
        return P;
    }
    return (Size + 65535) / 65536 * 65536;
}

std::string BlobName(const TKeys &Keys, TKind Kind, const std::string &Path,
                     const struct stat &St) {
    std::string In;
    In.push_back(static_cast<char>(Kind));
    PutU64(In, St.st_ino);
    if (Kind != TKind::Folder) {
        PutU64(In, static_cast<uint64_t>(St.st_mtim.tv_sec));
        PutU64(In, static_cast<uint64_t>(St.st_mtim.tv_nsec));
        PutU64(In, static_cast<uint64_t>(St.st_size));
    }
    In += Path;
    unsigned char Hash[16];
    crypto_generichash(Hash, sizeof Hash, reinterpret_cast<const unsigned char *>(In.data()),
                       In.size(), Keys.Names.data(), Keys.Names.size());
    return ToHex(Hash, sizeof Hash);
}

std::string ToHex(const unsigned char *Data, size_t Size) {
    std::string Hex(Size * 2 + 1, '\0');
    sodium_bin2hex(Hex.data(), Hex.size(), Data, Size);
    Hex.pop_back();
    return Hex;
}

bool FromHex(const std::string &Hex, unsigned char *Data, size_t Size) {
    size_t Len = 0;
    return Hex.size() == Size * 2 &&
           sodium_hex2bin(Data, Size, Hex.data(), Hex.size(), nullptr, &Len, nullptr) == 0 &&
           Len == Size;
}

} // namespace LockFormat
