// Where pinned ports live: the folder of links that gives a device a COM number of the
// user's choice. The program's device link and the switch simulator both use this rule.
#ifndef TREVIK_PINNED_PORTS_FOLDER_POSIX_H
#define TREVIK_PINNED_PORTS_FOLDER_POSIX_H

#include <cstdlib>
#include <pwd.h>
#include <string>
#include <unistd.h>

// $TREVIK_PORT_DIR, else $XDG_CONFIG_HOME/Velmora/ports, else ~/.config/Velmora/ports (the
// home folder from $HOME, else from the user database).
inline std::string pinnedPortsFolderPath()
{
    if (const char *own = std::getenv("TREVIK_PORT_DIR"); own && *own)
        return own;
    if (const char *config = std::getenv("XDG_CONFIG_HOME"); config && *config)
        return std::string(config) + "/Velmora/ports";
    std::string home;
    if (const char *env = std::getenv("HOME"); env && *env)
        home = env;
    else if (const passwd *user = getpwuid(getuid()))
        home = user->pw_dir;
    return home + "/.config/Velmora/ports";
}

#endif
