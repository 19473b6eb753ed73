/* Linked into the sanitizer builds of the program only. Libraries opened at run time (SDL's
 * GL and D-Bus, the GL driver they pull in) stay loaded until the process ends: the leak
 * check at exit then sees what their globals still point to, and names the library of any
 * block reported, instead of "<unknown module>" for a library unloaded before it ran. */
#include <dlfcn.h>

int dlclose(void* handle)
{
    (void)handle;
    return 0;
}
