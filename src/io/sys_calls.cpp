#include "io/sys_calls.h"

#include <cstdio>
#include <unistd.h>

namespace quillon::files::sys {

Calls realCalls() {
    return Calls{&::write, &::fsync, &::close, &::rename};
}

Calls& calls() {
    static Calls table = realCalls();
    return table;
}

} // namespace quillon::files::sys
