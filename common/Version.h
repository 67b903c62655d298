// The version of the build: every program's --version, the About box and the package show it.
#pragma once

namespace quarvik {

// e.g. "0.1+git812.gb27e7cb"; see cmake/QuarvikVersion.cmake.
const char* ProgramVersion();

}  // namespace quarvik
