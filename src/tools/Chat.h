#pragma once

#include <QString>
#include <memory>

namespace platform {
class ISchemeHandlers;
}

// Opens a QQ chat window for a QQ number through the tencent:// address the QQ client handles.
class TChat {
public:
    explicit TChat(std::shared_ptr<platform::ISchemeHandlers> Handlers);
    // Checks that QQ is installed (anew on every call) and hands it the chat address; without QQ
    // the user is told so. A handler that cannot be started raises EError.
    void Chat(const QString &QQID);
    // The chat address for a number. The number is percent-encoded, so whatever was typed stays
    // the value of uin and can neither end it nor add parameters; digits go in unchanged.
    static QString ChatAddress(const QString &QQID);

private:
    std::shared_ptr<platform::ISchemeHandlers> FHandlers;
};
