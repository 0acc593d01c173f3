// The start page as the browsers will read it: whatever address the user types and whatever a
// profile's user.js already holds, each file written (user.js, a Chromium profile's Preferences,
// a Chromium policy) parses back to exactly that address, and user.js keeps the user's own
// lines.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/linux/PolicyStartPage.h"

namespace {

QByteArray ReadAll(const QString &File) {
    QFile F(File);
    if (!F.open(QIODevice::ReadOnly))
        std::abort();
    return F.readAll();
}

void WriteAll(const QString &File, const QByteArray &Data) {
    QDir().mkpath(QFileInfo(File).path());
    QFile F(File);
    if (!F.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    F.write(Data);
}

void AppendUtf8(std::string &Out, uint32_t Code) {
    if (Code < 0x80) {
        Out += char(Code);
    } else if (Code < 0x800) {
        Out += char(0xc0 | (Code >> 6));
        Out += char(0x80 | (Code & 0x3f));
    } else {
        Out += char(0xe0 | (Code >> 12));
        Out += char(0x80 | ((Code >> 6) & 0x3f));
        Out += char(0x80 | (Code & 0x3f));
    }
}

// The string of `user_pref("browser.startup.homepage", "...");` read the way JavaScript reads
// it; aborts on anything a JavaScript parser would take differently.
std::string HomepageOf(const QByteArray &UserJs) {
    const QByteArray Head = "user_pref(\"browser.startup.homepage\", \"";
    std::string Found;
    int Count = 0;
    for (const QByteArray &Line : UserJs.split('\n')) {
        if (!Line.startsWith(Head))
            continue;
        ++Count;
        std::string Out;
        qsizetype I = Head.size();
        for (; I < Line.size() && Line[I] != '"'; ++I) {
            const char C = Line[I];
            if (C == '\r' || (C == '\xe2' && Line.mid(I, 3) == "\xe2\x80\xa8") ||
                (C == '\xe2' && Line.mid(I, 3) == "\xe2\x80\xa9"))
                std::abort(); // a line break inside the string
            if (C != '\\') {
                Out += C;
                continue;
            }
            if (++I == Line.size())
                std::abort();
            const char E = Line[I];
            if (E == '\\' || E == '"')
                Out += E;
            else if (E == 'n')
                Out += '\n';
            else if (E == 'r')
                Out += '\r';
            else if (E == 'u' && I + 4 < Line.size()) {
                bool Ok = false;
                AppendUtf8(Out, Line.mid(I + 1, 4).toUInt(&Ok, 16));
                if (!Ok)
                    std::abort();
                I += 4;
            } else
                std::abort();
        }
        if (Line.mid(I) != "\");")
            std::abort();
        Found = Out;
    }
    if (Count != 1)
        std::abort();
    return Found;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
    // The input is "<address>\n<the profile's user.js before>".
    const QByteArray Input(reinterpret_cast<const char *>(Data), qsizetype(Size));
    const qsizetype Cut = Input.indexOf('\n');
    if (Cut <= 0)
        return 0;
    const QByteArray Address = Input.left(Cut);
    const QString Url = QString::fromUtf8(Address);
    if (Url.toUtf8() != Address) // typed text is always valid UTF-8
        return 0;
    QTemporaryDir Root, Home;
    QDir().mkpath(Root.filePath("etc/firefox/policies"));
    QDir().mkpath(Root.filePath("etc/chromium"));
    const QString Preferences = Home.filePath(".config/chromium/Default/Preferences");
    WriteAll(Preferences, R"({"session": {"restore_on_startup": 1}})");
    WriteAll(Home.filePath(".mozilla/firefox/profiles.ini"),
             "[Profile0]\nName=default\nIsRelative=1\nPath=a.default\n");
    const QString UserJs = Home.filePath(".mozilla/firefox/a.default/user.js");
    WriteAll(UserJs, Input.mid(Cut + 1));

    platform::linux_::TPolicyStartPage Page(Root.path().toStdString(), Home.path().toStdString());
    for (const platform::TStartPageResult &Result : Page.SetForUser(Address.toStdString()))
        if (Result.Outcome != platform::TStartPageOutcome::Changed)
            return 0; // a user.js that is not a file, say: reported, and nothing to check
    const auto ByPolicy = Page.SetByPolicy(Address.toStdString(), {"Chromium"});
    if (ByPolicy.size() != 1 || ByPolicy[0].Outcome != platform::TStartPageOutcome::ByPolicy)
        std::abort();

    if (QJsonDocument::fromJson(ReadAll(Preferences)).object()["homepage"].toString() != Url)
        std::abort();
    const QJsonObject Chromium =
        QJsonDocument::fromJson(
            ReadAll(Root.filePath("etc/chromium/policies/recommended/qingchuan-start-page.json")))
            .object();
    if (Chromium["HomepageLocation"].toString() != Url)
        std::abort();
    if (HomepageOf(ReadAll(UserJs)) != Address.toStdString())
        std::abort();
    return 0;
}
