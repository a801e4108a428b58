// struct in_addr inet_makeaddr(in_addr_t net, in_addr_t host), returned the
// i386 Linux way: through the caller's hidden result pointer, popped with
// ret $4. mingw-w64's compiler would answer so small a structure in EAX,
// so the entry is written here for both ports.
#define CAT2(a, b) a##b
#define CAT(a, b) CAT2(a, b)
#define SYM(name) CAT(__USER_LABEL_PREFIX__, name)

        .text
// Stack at entry: return address, result, net, host.
        .globl  SYM(tumbex_inet_makeaddr_sysv)
        .p2align 4
SYM(tumbex_inet_makeaddr_sysv):
        pushl   12(%esp)
        pushl   12(%esp)
        call    SYM(tumbex_makeaddr_value)
        addl    $8, %esp
        movl    4(%esp), %ecx
        movl    %eax, (%ecx)
        movl    %ecx, %eax
        ret     $4

#if defined(__ELF__)
        .section .note.GNU-stack,"",@progbits
#endif
