// A desktop entry's Exec line, expanded for one address: whatever the line holds, the address
// reaches the handler whole, as one argument or inside one, and is never split or expanded.
#include <QString>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/linux/XdgSchemeHandlers.h"

namespace {

bool ValidUtf8(const std::string &Text) {
    // Addresses are built from QString text, so they are always valid UTF-8.
    return QString::fromStdString(Text).toStdString() == Text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
    // The input is "<Exec line>\n<address>".
    const std::string Input(reinterpret_cast<const char *>(Data), Size);
    const size_t Cut = Input.find('\n');
    if (Cut == std::string::npos)
        return 0;
    platform::linux_::TDesktopEntry Entry;
    Entry.File = "/usr/share/applications/handler.desktop";
    Entry.Name = "Handler";
    Entry.Exec = Input.substr(0, Cut);
    const std::string Address = Input.substr(Cut + 1);
    if (Address.empty() || !ValidUtf8(Address))
        return 0;
    const auto Args = platform::linux_::TXdgSchemeHandlers::ExpandExec(Entry, Address);
    if (Args.empty())
        return 0;
    bool Whole = false;
    for (const std::string &Arg : Args)
        Whole = Whole || Arg.find(Address) != std::string::npos;
    if (!Whole)
        std::abort();
    // A line without field codes takes the address as its last argument, unchanged.
    if (Entry.Exec.find('%') == std::string::npos && Args.back() != Address)
        std::abort();
    return 0;
}
