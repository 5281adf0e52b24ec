#pragma once
// Whether a standard stream is a terminal (colour is only for terminals).

#include <cstdio>

class TTerminal
{
public:
    static bool IsTerminal(FILE *stream);
};
