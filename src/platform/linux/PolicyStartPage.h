#pragma once

#include <string>

#include "platform/StartPage.h"

namespace platform::linux_ {

// The start page in the browsers' own files. Machine-wide: Firefox's policies.json in each of its
// policy folders that exists, and a file of ours among the recommended policies of each browser
// of the Chromium family whose configuration folder exists. Per user: user.js in each Firefox
// profile that exists, wherever Firefox keeps its profiles. A browser whose folder is not there
// is not installed or not used, and gets nothing. Machine-wide places that this user may not
// write are left out; they belong to the administrator.
class TPolicyStartPage : public IStartPage {
public:
    // Root: the file-system root the machine-wide places are under ("/", or a test's folder);
    // Home: the user's home folder; ConfigHome: the user's XDG configuration folder, empty for
    // Home/.config.
    TPolicyStartPage(std::string Root, std::string Home, std::string ConfigHome = {});
    std::string SetMachineWide(const std::string &Url) override;
    std::string SetPerUser(const std::string &Url) override;

    // Url as the body of a JavaScript string between double quotes.
    static std::string JsString(const std::string &Url);
    // The name of our file among a Chromium-family browser's policies.
    static constexpr const char *ChromiumPolicyFile = "qingchuan-start-page.json";

    // The home folder of this process's user.
    static std::string DefaultHome();
    // $XDG_CONFIG_HOME of this process, or the default below the home folder.
    static std::string DefaultConfigHome();

private:
    std::string FRoot;
    std::string FHome;
    std::string FConfigHome;
};

} // namespace platform::linux_
