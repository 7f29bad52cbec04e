// Where a program installed in a read-only folder keeps its per-user files on POSIX systems.
#pragma once

#include <string>

namespace marble {

/// True when this user may create and replace files in `folder`: it is a folder, has a write
/// permission bit (a folder without any counts as read-only even for root, as the profile
/// writer treats it) and access() grants writing.
bool FolderWritable(const std::string& folder);

/// The user's settings folder: $XDG_CONFIG_HOME when it is an absolute path, else
/// $HOME/.config (the home folder from the password database when HOME is unset or relative);
/// empty when neither is known.
std::string UserConfigFolder();

/// Whether `executablePath` lies in the folder programs are installed to by this build's install
/// prefix (/usr/bin for the Debian package): such a copy belongs to the system and keeps its
/// settings per user, while a copy built or unpacked anywhere else keeps them beside itself.
bool InstalledByPackage(const std::string& executablePath);

/// Creates the missing folders above `fileName` that lie inside `root` (and `root` itself when
/// missing), each with mode 0700, as per-user settings folders are made. Does nothing for a file
/// outside `root`. False when a folder could not be made.
bool CreateFoldersFor(const std::string& root, const std::string& fileName);

}  // namespace marble
