// Mapping of system error numbers to file-exception causes.
#pragma once

#include <cerrno>

// The CFileException cause for an errno value.
int FileErrorCause(int osError);
