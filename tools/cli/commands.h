// The commands; each returns the exit code: 0 only when nothing failed.
#pragma once

#include "tools/cli/arguments.h"

namespace tovak::cli {

int RunConvert(const Arguments& args);
int RunEncode(const Arguments& args);
int RunInfo(const Arguments& args);

}  // namespace tovak::cli
