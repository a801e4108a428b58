// int32_t tumbex_Compare2(uint32_t entry, uint32_t a, uint32_t b)
// int32_t tumbex_Compare3(uint32_t entry, uint32_t a, uint32_t b, uint32_t c)
//
// The comparator calls of the sorting family, which run millions of times
// per sort: CallGuest's contract (a 16-byte aligned stack at the call, the
// i386 System V registers) for a fixed two or three arguments, without its
// general copy loop.
#define CAT2(a, b) a##b
#define CAT(a, b) CAT2(a, b)
#define SYM(name) CAT(__USER_LABEL_PREFIX__, name)

        .text
        .globl  SYM(tumbex_Compare2)
        .p2align 4
SYM(tumbex_Compare2):
        pushl   %ebp
        movl    %esp, %ebp
        andl    $-16, %esp
        subl    $16, %esp
        movl    12(%ebp), %eax
        movl    16(%ebp), %ecx
        movl    %eax, 0(%esp)
        movl    %ecx, 4(%esp)
        call    *8(%ebp)
        leave
        ret

        .globl  SYM(tumbex_Compare3)
        .p2align 4
SYM(tumbex_Compare3):
        pushl   %ebp
        movl    %esp, %ebp
        andl    $-16, %esp
        subl    $16, %esp
        movl    12(%ebp), %eax
        movl    16(%ebp), %ecx
        movl    20(%ebp), %edx
        movl    %eax, 0(%esp)
        movl    %ecx, 4(%esp)
        movl    %edx, 8(%esp)
        call    *8(%ebp)
        leave
        ret
#if defined(__ELF__)
        .section .note.GNU-stack,"",@progbits
#endif
