// uint64_t tumbex_CallGuest(uint32_t entry, const uint32_t* args, uint32_t count)
//
// Host code calls guest code (a comparator, a handler) as a Linux caller
// would: the arguments copied onto a stack that is 16-byte aligned at the
// call instruction, whatever alignment the host code had. The callee may
// clobber EAX, ECX and EDX and leaves the others; the frame pointer puts
// ESP back however the callee left it.
#define CAT2(a, b) a##b
#define CAT(a, b) CAT2(a, b)
#define SYM(name) CAT(__USER_LABEL_PREFIX__, name)

        .text
        .globl  SYM(tumbex_CallGuest)
        .p2align 4
SYM(tumbex_CallGuest):
        pushl   %ebp
        movl    %esp, %ebp
        pushl   %ebx
        pushl   %esi
        pushl   %edi
        movl    16(%ebp), %ecx          // count
        movl    12(%ebp), %esi          // args
        leal    0(,%ecx,4), %eax
        subl    %eax, %esp
        andl    $-16, %esp
        movl    %esp, %edi
        cld
        rep movsl
        call    *8(%ebp)
        leal    -12(%ebp), %esp
        popl    %edi
        popl    %esi
        popl    %ebx
        popl    %ebp
        ret
#if defined(__ELF__)
        .section .note.GNU-stack,"",@progbits
#endif
