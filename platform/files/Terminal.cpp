#include "Terminal.h"

#include <unistd.h>

bool TTerminal::IsTerminal(FILE *stream)
{
    return stream && ::isatty(::fileno(stream)) == 1;
}
