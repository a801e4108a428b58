// div_t div(int, int), lldiv_t lldiv(long long, long long) and their
// aliases, returned the i386 System V way: the caller passes the address
// of the result as a hidden first argument, the callee fills it, answers it
// in EAX and pops it (ret $4). mingw-w64's compiler would hand such small
// structures back in EDX:EAX, so neither port's compiler can write these
// entries; the same instructions serve both.
#define CAT2(a, b) a##b
#define CAT(a, b) CAT2(a, b)
#define SYM(name) CAT(__USER_LABEL_PREFIX__, name)

        .text
// Stack at entry: return address, result, numerator, denominator. The
// division faults where C's does (a zero denominator, INT_MIN / -1).
        .globl  SYM(tumbex_div_sysv)
        .p2align 4
SYM(tumbex_div_sysv):
        movl    8(%esp), %eax
        cltd
        idivl   12(%esp)
        movl    4(%esp), %ecx
        movl    %eax, (%ecx)
        movl    %edx, 4(%ecx)
        movl    %ecx, %eax
        ret     $4

// Stack at entry: return address, result, numerator (8 bytes),
// denominator (8 bytes): the same five words are handed on to
// tumbex_lldiv_into(result, numerator, denominator).
        .globl  SYM(tumbex_lldiv_sysv)
        .p2align 4
SYM(tumbex_lldiv_sysv):
        pushl   20(%esp)
        pushl   20(%esp)
        pushl   20(%esp)
        pushl   20(%esp)
        pushl   20(%esp)
        call    SYM(tumbex_lldiv_into)
        addl    $20, %esp
        movl    4(%esp), %eax
        ret     $4
#if defined(__ELF__)
        .section .note.GNU-stack,"",@progbits
#endif
