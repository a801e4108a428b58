/* The dynamic-loading interface as glibc answers it: opening by name and
   by path, the scopes of global and local libraries, lookups, errors,
   addresses back to names, the list of loaded objects, and closing (which
   unloads nothing the guest could tell apart from glibc's). The
   program's directory is written as <dir>, since runs put it apart. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <link.h>
#include <stdio.h>
#include <string.h>

static char dir[4096];
static const char *const ours[] = {"libdlbase.so", "libdlplug.so", "libdldep.so",
                                   "libdlother.so", "libdllazy.so"};

static const char *path(const char *name)
{
    static char buf[4200];
    snprintf(buf, sizeof buf, "%s/%s", dir, name);
    return buf;
}

static void show_error(const char *what)
{
    const char *e = dlerror();
    size_t n = strlen(dir);
    if (!e)
        printf("%s: no error\n", what);
    else if (strncmp(e, dir, n) == 0)
        printf("%s: <dir>%s\n", what, e + n);
    else
        printf("%s: %s\n", what, e);
}

static const char *base_name(const char *name)
{
    const char *slash = strrchr(name, '/');
    return slash ? slash + 1 : name;
}

int host_offset(void) { return 1000; }

const char *base_greet(void)
{
    const char *(*next)(void) = (const char *(*)(void))dlsym(RTLD_NEXT, "base_greet");
    return next ? next() : "no next";
}

struct walk { int objects, first_is_program, plug_fn_inside; char names[200]; void *fn; };

static int visit(struct dl_phdr_info *info, size_t size, void *data)
{
    struct walk *w = data;
    int i, loads = 0, inside = 0;
    for (i = 0; i < info->dlpi_phnum; i++) {
        const ElfW(Phdr) *ph = &info->dlpi_phdr[i];
        uintptr_t start = info->dlpi_addr + ph->p_vaddr;
        if (ph->p_type != PT_LOAD)
            continue;
        loads++;
        if ((uintptr_t)w->fn >= start && (uintptr_t)w->fn < start + ph->p_memsz)
            inside = 1;
        if (w->objects == 0 && (uintptr_t)&host_offset >= start
            && (uintptr_t)&host_offset < start + ph->p_memsz)
            w->first_is_program = info->dlpi_name[0] == '\0';
    }
    for (i = 0; i < (int)(sizeof ours / sizeof *ours); i++)
        if (strcmp(base_name(info->dlpi_name), ours[i]) == 0) {
            strcat(w->names, " ");
            strcat(w->names, ours[i]);
            if (!loads)
                strcat(w->names, "(no load)");
            if (i == 1)
                w->plug_fn_inside = inside;
        }
    w->objects += loads > 0;
    return 0;
}

int main(int argc, char **argv)
{
    void *plug, *again, *other, *lazy, *self, *fn;
    int (*plug_fn)(int), *count;
    Dl_info info;
    struct walk w = {0};
    char *slash;

    strcpy(dir, argv[0]);
    slash = strrchr(dir, '/');
    if (slash)
        *slash = '\0';

    printf("missing library: %s\n", dlopen("libnothere.so", RTLD_NOW) ? "opened" : "null");
    show_error("its error");
    printf("not loaded yet: %s\n",
           dlopen("libdlplug.so", RTLD_NOW | RTLD_NOLOAD) ? "loaded" : "null");
    show_error("its error");

    plug = dlopen(path("libdlplug.so"), RTLD_NOW | RTLD_GLOBAL);
    printf("plug by path: %s\n", plug ? "opened" : "null");
    again = dlopen("libdlplug.so", RTLD_LAZY);
    printf("plug by name: same handle %s\n", again == plug ? "yes" : "no");
    printf("no-load of the loaded: same handle %s\n",
           dlopen("libdlplug.so", RTLD_NOW | RTLD_NOLOAD) == plug ? "yes" : "no");
    dlclose(plug);
    show_error("after success");

    plug_fn = (int (*)(int))dlsym(plug, "plug_fn");
    count = (int *)dlsym(plug, "plug_count");
    printf("count %d, ", *count);
    printf("plug_fn(5) %d, ", plug_fn(5));
    printf("count %d\n", *count);
    *count = 50;
    plug_fn(0);
    printf("count after writing 50 and a call: %d\n", *count);
    printf("missing symbol: %s\n", dlsym(plug, "nothing") ? "found" : "null");
    show_error("its error");
    printf("dependency through the handle: %s\n", dlsym(plug, "dep_twice") ? "found" : "null");
    printf("strlen by default: %d\n",
           (int)((size_t (*)(const char *))dlsym(RTLD_DEFAULT, "strlen"))("tumbex"));
    printf("global plug_fn by default: %s\n",
           dlsym(RTLD_DEFAULT, "plug_fn") == (void *)plug_fn ? "same" : "other");
    printf("next greet: %s\n", base_greet());

    other = dlopen(path("libdlother.so"), RTLD_LAZY | RTLD_LOCAL);
    printf("other_fn() %d\n", ((int (*)(void))dlsym(other, "other_fn"))());
    printf("local other_fn by default: %s\n",
           dlsym(RTLD_DEFAULT, "other_fn") ? "found" : "null");
    dlerror();

    self = dlopen(NULL, RTLD_NOW);
    printf("program handle: plug_fn %s, other_fn %s, host_offset %s\n",
           dlsym(self, "plug_fn") == (void *)plug_fn ? "same" : "other",
           dlsym(self, "other_fn") ? "found" : "null",
           dlsym(self, "host_offset") == (void *)host_offset ? "same" : "other");
    dlerror();

    printf("lazy now: %s\n", dlopen(path("libdllazy.so"), RTLD_NOW) ? "opened" : "null");
    show_error("its error");
    lazy = dlopen(path("libdllazy.so"), RTLD_LAZY);
    printf("lazy later: lazy_fn(0) %d\n", ((int (*)(int))dlsym(lazy, "lazy_fn"))(0));

    fn = (void *)plug_fn;
    if (dladdr(fn, &info))
        printf("dladdr: %s in %s, base %s, address %s\n", info.dli_sname,
               base_name(info.dli_fname), info.dli_fbase ? "given" : "null",
               info.dli_saddr == fn ? "exact" : "other");
    w.fn = fn;
    dl_iterate_phdr(visit, &w);
    printf("objects:%s; at least 6 loaded: %s; first is the program: %s; "
           "plug_fn inside plug: %s\n", w.names, w.objects >= 6 ? "yes" : "no",
           w.first_is_program ? "yes" : "no", w.plug_fn_inside ? "yes" : "no");

    printf("close other: %d\n", dlclose(other));
    printf("close lazy: %d, close plug once: %d\n", dlclose(lazy), dlclose(again));
    return 0;
}
