/* FD_SET's word index, checked by the fortified macros: a descriptor past
   FD_SETSIZE ends the run. The descriptor grows with the argument. */
#include <stdio.h>
#include <string.h>
#include <sys/select.h>

int main(int argc, char **argv)
{
    fd_set set;
    int fd = argc > 1 ? (int)strlen(argv[1]) * 300 : 3;
    FD_ZERO(&set);
    FD_SET(fd, &set);
    puts(FD_ISSET(fd, &set) ? "set" : "not set");
    puts(FD_ISSET(fd + 1, &set) ? "neighbour set" : "neighbour clear");
    return 0;
}
