#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Where a name, taken one step at a time, leads beneath a folder.
enum class BeneathOutcome
{
    Found,   // the entry is there, inside the folder
    Missing, // a step names no entry, a link loops, or a file stands where a folder must
    Outside, // a link on the way ends outside the folder
};

struct BeneathEntry
{
    BeneathOutcome outcome = BeneathOutcome::Missing;
    // Found: a close-on-exec O_PATH descriptor of the entry, the caller's to
    // close. Nothing was opened for reading and no driver's open ran.
    int fd = -1;
};

// For a step that names no entry of a folder: the name of the entry to take
// instead, or nothing. directory reaches that folder (through /proc) only
// while the call lasts.
using BeneathStandIn =
    std::function<std::optional<std::string>(const std::string& directory, std::string_view step)>;

// Follows name, a relative path, from folder down to an entry, one step (a
// part between '/') at a time. Each step is opened relative to the folder
// reached before it and without following it (O_PATH | O_NOFOLLOW), so the
// entry handed back is the one that was checked, however names change
// meanwhile. A link is followed as the system follows it (an absolute target
// from "/", ".." one folder up), and every link met must end inside folder,
// the folder itself included, else the outcome is Outside. folder counts as
// the folder it really is, even when its own name passes through a link.
// More than 40 links is a loop: Missing. Only a step of name, not of a
// link's target, asks standIn when it names no entry.
BeneathEntry OpenBeneath(const std::string& folder, const std::string& name,
                         const BeneathStandIn& standIn = {});
