#pragma once

#include <string>
#include <vector>

namespace platform {

// What became of the start page in one browser.
enum class TStartPageOutcome {
    Changed,     // set in each of this user's profiles of the browser
    ByPolicy,    // set for every user by a machine policy of this program
    Running,     // not changed: the browser is running and would write its own settings back
    NoProfile,   // not changed: this user has no profile of it yet, and no policy may be written
    NeedsPolicy, // not changed: only a machine policy could set it, and this user may write one
    Failed,      // not changed: File could not be written
};

struct TStartPageResult {
    std::string Browser; // its name as users know it: "Firefox", "Chromium", "Google Chrome"
    TStartPageOutcome Outcome;
    std::string File; // for Failed
};

// The page the web browsers open at start and on "Home". Each browser keeps a user's own choice
// in that user's profiles; a machine policy reaches every user but marks the browser as managed
// by an organisation, so it is written only when asked for, and this program's own policies can
// always be taken back.
class IStartPage {
public:
    virtual ~IStartPage() = default;
    // Sets Url for the current user in each browser found, the way that browser keeps a user's
    // own choice. One result per browser found, none when no browser is.
    virtual std::vector<TStartPageResult> SetForUser(const std::string &Url) = 0;
    // The browsers for which a machine policy written by this program is there now and this user
    // may change or remove it.
    virtual std::vector<std::string> OwnPolicies() = 0;
    // Writes Url as this program's machine policy for each of Browsers (names from the results
    // above); ByPolicy or Failed for each.
    virtual std::vector<TStartPageResult> SetByPolicy(const std::string &Url,
                                                      const std::vector<std::string> &Browsers) = 0;
    // Removes every machine policy of this program this user may remove; the files that could not
    // be removed.
    virtual std::vector<std::string> RemovePolicies() = 0;
};

} // namespace platform
