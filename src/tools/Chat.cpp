#include "Chat.h"

#include <QUrl>

#include "dialogs/Dialogs.h"
#include "dialogs/Error.h"
#include "platform/SchemeHandlers.h"

TChat::TChat(std::shared_ptr<platform::ISchemeHandlers> Handlers)
    : FHandlers(std::move(Handlers)) {}

QString TChat::ChatAddress(const QString &QQID) {
    return "tencent://Message/?menu=yes&exe=&uin=" +
           QString::fromLatin1(QUrl::toPercentEncoding(QQID)) + "&websiteName=lumenbirk&info=";
}

void TChat::Chat(const QString &QQID) {
    // QQ registers itself as the handler of tencent:// addresses; no handler, no QQ.
    if (!FHandlers || !FHandlers->IsRegistered("tencent")) {
        Dialogs::ShowMessage("您没有安装QQ");
        return;
    }
    const QString Address = ChatAddress(QQID);
    if (!FHandlers->OpenAddress(Address.toStdString()))
        throw EError("无法打开聊天地址 " + Address);
}
