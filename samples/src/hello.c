/* hello.c - tiny program used as an ASCII sample for kestu.
 *
 * Search for "kestu", "printf" or "return" to get hits here.
 * Backslashes and at-signs are real ASCII: "\n", user@example.com, a[i].
 */
#include <stdio.h>

static int count_lines(const char *s)
{
    int n = 0;
    for (; *s; ++s)
        if (*s == '\n')
            ++n;
    return n;
}

int main(void)
{
    const char *text = "kestu\nsample\n";
    int table[3] = {1, 2, 3};
    printf("lines: %d, first: %d\n", count_lines(text), table[0]);
    return 0;
}
