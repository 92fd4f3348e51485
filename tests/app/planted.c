/* A library that only marks that it was loaded: built as "sline_32.so" in a
 * folder of its own, which a test puts into LD_LIBRARY_PATH. The program
 * must load its drivers from its own folder, never this one. */
#include <stdio.h>
#include <stdlib.h>

__attribute__((constructor)) static void markLoaded(void)
{
    const char *marker = getenv("PXRQ60_PLANTED_MARKER");
    if (marker) {
        FILE *f = fopen(marker, "w");
        if (f)
            fclose(f);
    }
}
