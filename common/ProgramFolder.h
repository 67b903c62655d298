// The program folder: where "ave.dat", the settings files and the databases live.
//
// A program run from its build tree (or a copy of it in a writable folder) keeps them next to
// the executable. An installed program (its executable in the install prefix's bin folder, or in
// a folder the user cannot write) keeps them in DataFolder(), the user's XDG data folder.
// QUARVIK_HOME overrides both (tests, portable installs, the unattended service).
// Every call resolves the folder afresh, so a change of QUARVIK_HOME takes effect at once.
//
// What lies in the program folder decides what a check looks for, so the folder and its files
// must belong to the user running the program and be writable by nobody else:
// ProgramFolderProblem() says why they are not, and the programs refuse to start then.
#pragma once

#include <string>

namespace quarvik {

// The program folder, without a trailing '/'; empty when there is none (no home folder).
std::string ProgramFolder();

// ProgramFolder() joined with a file name.
std::string ProgramFilePath(const std::string& fileName);

// $XDG_DATA_HOME/quarvik, or ~/.local/share/quarvik with the home folder taken from HOME or,
// when HOME is not set, from the user's account. Created when missing. Empty when the user has
// no home folder: never a shared folder such as /tmp.
std::string DataFolder();

// Empty when the program folder may be used; otherwise the reason, naming the folder or file:
// no program folder, a folder or file owned by another user, or writable by other users (or
// by a group other than the user's own). A folder that does not exist yet is no problem.
std::string ProgramFolderProblem();

// The environment and files of the program folder, as the programs' --help shows them.
const char* ProgramFolderHelp();

}  // namespace quarvik
