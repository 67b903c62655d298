#pragma once
// Brindle is a shared library built with hidden visibility: only classes marked BRINDLE_EXPORT
// are visible to the program that links against it.
#include <QtGlobal>

#if defined(BRINDLE_LIBRARY)
#define BRINDLE_EXPORT Q_DECL_EXPORT
#else
#define BRINDLE_EXPORT Q_DECL_IMPORT
#endif
