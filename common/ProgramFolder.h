// The program folder: where "ave.dat", the settings files and the databases live.
//
// It is the folder of the running executable. QUARVIK_HOME overrides it (tests, portable
// installs). When the folder is not writable (an executable installed under /usr, say) the
// files go to $XDG_DATA_HOME/quarvik (default ~/.local/share/quarvik), which is created.
// Every call resolves the folder afresh, so a change of QUARVIK_HOME takes effect at once.
#pragma once

#include <string>

namespace quarvik {

// The program folder, without a trailing '/'.
std::string ProgramFolder();

// ProgramFolder() joined with a file name.
std::string ProgramFilePath(const std::string& fileName);

}  // namespace quarvik
