// The start page of the browsers (更改主页): each browser as it keeps a user's own choice, a
// machine policy only when the user agrees to one, and one message that says what became of
// each browser.
#include <QStringList>
#include <algorithm>

#include "IECtrl.h"
#include "dialogs/Dialogs.h"
#include "platform/StartPage.h"

using platform::TStartPageOutcome;
using platform::TStartPageResult;

namespace {

QString Names(const std::vector<std::string> &Browsers) {
    QStringList List;
    for (const std::string &Name : Browsers)
        List << QString::fromStdString(Name);
    return List.join("、");
}

// Why a browser's page stayed as it was, or empty when it was changed.
QString Why(const TStartPageResult &Result) {
    switch (Result.Outcome) {
    case TStartPageOutcome::Changed:
    case TStartPageOutcome::ByPolicy:
        return {};
    case TStartPageOutcome::Running:
        return "浏览器正在运行，请关闭它后再更改主页。";
    case TStartPageOutcome::NoProfile:
        return "此用户还没有用过这个浏览器，请先启动它一次再更改主页。";
    case TStartPageOutcome::NeedsPolicy:
        return "只能通过本机策略更改，按您的选择没有写入。";
    case TStartPageOutcome::Failed:
        return QString("Failed to set data for '%1'").arg(QString::fromStdString(Result.File));
    }
    return {};
}

// Asks whether to write (or keep) this program's machine policy for Needed, the browsers only a
// policy can reach, and Present, those that have one of ours already.
bool AskForPolicy(const std::vector<std::string> &Needed, const std::vector<std::string> &Present) {
    const QString Effect = "本机策略对这台计算机的所有用户生效，浏览器会因此显示“由你的单位管理”"
                           "（Your browser is managed by your "
                           "organization）；用户仍可在浏览器的设置中改用自己的主页。";
    QString Text;
    if (!Needed.empty())
        Text = QString("以下浏览器只有通过本机策略才能更改主页：%1。\n%2\n是否写入本机策略？"
                       "选择“否”不写入，并删除本程序以前写入的本机策略。")
                   .arg(Names(Needed), Effect);
    else
        Text = QString("本程序以前为以下浏览器写入了本机策略：%1。\n%2\n是否保留它并改用新的主页？"
                       "选择“否”将删除它。")
                   .arg(Names(Present), Effect);
    return Dialogs::Question(Text, "更改主页");
}

} // namespace

void TIECtrl::ChangeMainPage(const QString &MainPage) {
    if (!FStartPage)
        return;
    const std::string Url = MainPage.toStdString();
    std::vector<TStartPageResult> Results = FStartPage->SetForUser(Url);

    // A policy is offered where only a policy can do it, and where one of ours is left: a
    // policy of ours stays only while the user wants it.
    std::vector<std::string> Needed;
    for (const TStartPageResult &Result : Results)
        if (Result.Outcome == TStartPageOutcome::NeedsPolicy)
            Needed.push_back(Result.Browser);
    const std::vector<std::string> Present = FStartPage->OwnPolicies();
    QStringList Notes;
    if (!Needed.empty() || !Present.empty()) {
        if (AskForPolicy(Needed, Present)) {
            std::vector<std::string> Browsers = Needed;
            for (const std::string &Name : Present)
                if (std::find(Browsers.begin(), Browsers.end(), Name) == Browsers.end())
                    Browsers.push_back(Name);
            for (const TStartPageResult &ByPolicy : FStartPage->SetByPolicy(Url, Browsers)) {
                auto Same = std::find_if(Results.begin(), Results.end(), [&](const auto &R) {
                    return R.Browser == ByPolicy.Browser;
                });
                // A browser changed in the user's profiles stays reported as such; its policy
                // was brought up to date with it.
                if (Same == Results.end())
                    Results.push_back(ByPolicy);
                else if (Same->Outcome != TStartPageOutcome::Changed ||
                         ByPolicy.Outcome == TStartPageOutcome::Failed)
                    *Same = ByPolicy;
            }
        } else {
            const std::vector<std::string> Left = FStartPage->RemovePolicies();
            for (const std::string &File : Left)
                Notes << QString("未能删除本程序以前写入的本机策略：%1")
                             .arg(QString::fromStdString(File));
            if (!Present.empty() && Left.empty())
                Notes << QString("已删除本程序以前写入的本机策略（%1）。").arg(Names(Present));
        }
    }

    if (Results.empty()) {
        Dialogs::ShowMessage("没有找到已安装的浏览器，主页没有更改。");
        return;
    }
    QStringList Changed;
    QStringList NotChanged;
    for (const TStartPageResult &Result : Results) {
        const QString Name = QString::fromStdString(Result.Browser);
        if (Result.Outcome == TStartPageOutcome::Changed)
            Changed << Name;
        else if (Result.Outcome == TStartPageOutcome::ByPolicy)
            Changed << Name + "（本机策略）";
        else
            NotChanged << Name + "：" + Why(Result);
    }
    QStringList Lines{"主页：" + MainPage};
    if (!Changed.isEmpty())
        Lines << "已更改：" + Changed.join("、");
    if (!NotChanged.isEmpty())
        Lines << "未更改：" << NotChanged;
    Lines << Notes;
    Dialogs::ShowMessage(Lines.join('\n'));
}
