#pragma once
// One simulator's claim on an entry of the pinned-ports folder (COM7 and the like).
//
// The claim is an exclusive flock on an owner file beside the link, `.<entry>.owner`: hidden,
// and not a COM<n> name, so the program's pinned-port rules never read it. The lock makes
// two simulators that start at once take turns; whoever holds it owns the entry until it
// releases the claim or dies, since the kernel drops the lock with the process. The file
// records the owner's pid and the link's target, so that
//  - a live owner is named when another simulator is refused;
//  - a link a killed simulator left behind is recognised (its owner file names its target,
//    and nobody holds the lock) and replaced;
//  - any other entry at that name (a user's pinned adapter, a file) is refused, never
//    replaced nor removed: it is someone's configuration, not a simulator's leftover.
// Release removes the link only while it still leads where this claim made it lead.

#include <string>

namespace kmsim {

class LinkClaim
{
public:
    LinkClaim() = default;
    ~LinkClaim();
    LinkClaim(const LinkClaim&) = delete;
    LinkClaim& operator=(const LinkClaim&) = delete;

    // Claims `folder`/`entry` and links it to `target`. False with `error` set when another
    // live simulator owns it, when something that is not a simulator's leftover stands there,
    // or on a system error; nothing at the entry is changed then.
    bool claim(const std::string& folder, const std::string& entry, const std::string& target,
               std::string& error);
    // Removes the link if it still leads to the claimed target, then gives up the claim.
    // Safe to call twice, and without a claim.
    void release();

    // The link's path while claimed; empty otherwise.
    const std::string& linkPath() const { return m_linkPath; }

    // The owner file that guards `folder`/`entry`.
    static std::string ownerPath(const std::string& folder, const std::string& entry);

private:
    bool lockOwnerFile(std::string& error);

    int m_ownerFd = -1;
    std::string m_ownerPath;
    std::string m_linkPath;
    std::string m_target;
};

} // namespace kmsim
