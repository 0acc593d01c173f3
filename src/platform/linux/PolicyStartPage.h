#pragma once

#include <string>

#include "platform/StartPage.h"

namespace platform::linux_ {

// The start page in the browsers' own files. For the user: user.js in each Firefox profile,
// wherever Firefox keeps its profiles (written while Firefox runs too: it reads user.js at its
// next start), and the Preferences of each profile of a browser of the Chromium family that is
// not running (a running one writes its own back when it ends). By machine policy, only when
// asked: a file of ours among the recommended policies of a Chromium-family browser whose
// machine-wide configuration folder exists; Firefox keeps one policies.json shared with the
// administrator, so no policy of ours goes there. A browser with neither folder is not
// installed or not used, and gets nothing.
class TPolicyStartPage : public IStartPage {
public:
    // Root: the file-system root the machine-wide places are under ("/", or a test's folder);
    // Home: the user's home folder; ConfigHome: the user's XDG configuration folder, empty for
    // Home/.config.
    TPolicyStartPage(std::string Root, std::string Home, std::string ConfigHome = {});
    std::vector<TStartPageResult> SetForUser(const std::string &Url) override;
    std::vector<std::string> OwnPolicies() override;
    std::vector<TStartPageResult> SetByPolicy(const std::string &Url,
                                              const std::vector<std::string> &Browsers) override;
    std::vector<std::string> RemovePolicies() override;

    // Url as the body of a JavaScript string between double quotes.
    static std::string JsString(const std::string &Url);
    // The name of our file among a Chromium-family browser's policies.
    static constexpr const char *ChromiumPolicyFile = "qingchuan-start-page.json";

    // The home folder of this process's user.
    static std::string DefaultHome();
    // $XDG_CONFIG_HOME of this process, or the default below the home folder.
    static std::string DefaultConfigHome();

private:
    TStartPageResult SetFirefox(const std::string &Url, bool &Found);

    std::string FRoot;
    std::string FHome;
    std::string FConfigHome;
};

} // namespace platform::linux_
