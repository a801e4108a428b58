/* A name nothing defines, called only on a path never taken: opening it
   for immediate binding fails, lazily it works. */
extern void never_defined(void);

int lazy_fn(int call)
{
    if (call)
        never_defined();
    return 7;
}
