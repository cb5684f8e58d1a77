#include "common/OneBased.h"

#include <cstdio>
#include <cstdlib>

namespace meldrix {

void indexOutOfRange(int n, std::size_t size)
{
    std::fprintf(stderr, "meldrix: index %d outside 1..%zu\n", n, size);
    std::abort();
}

} // namespace meldrix
