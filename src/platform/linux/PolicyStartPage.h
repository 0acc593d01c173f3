#pragma once

#include <string>

#include "platform/StartPage.h"

namespace platform::linux_ {

// The start page in the browsers' own files. Machine-wide: the managed-policy file of each
// browser whose policy folder exists (Firefox's policies.json, a file of ours among Chromium's
// managed policies). Per user: user.js in each Firefox profile that exists. A folder that is not
// there means the browser is not installed or not used, and is never created.
class TPolicyStartPage : public IStartPage {
public:
    // Root: the file-system root the machine-wide places are under ("/", or a test's folder);
    // Home: the user's home folder.
    TPolicyStartPage(std::string Root, std::string Home);
    std::string SetMachineWide(const std::string &Url) override;
    std::string SetPerUser(const std::string &Url) override;

    // Url as the body of a JavaScript string between double quotes.
    static std::string JsString(const std::string &Url);
    // The name of our file among a Chromium-family browser's managed policies.
    static constexpr const char *ChromiumPolicyFile = "qingchuan-start-page.json";

    // The home folder of this process's user.
    static std::string DefaultHome();

private:
    std::string FRoot;
    std::string FHome;
};

} // namespace platform::linux_
